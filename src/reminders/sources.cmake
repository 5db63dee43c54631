set(ZELVO_CORE_SOURCES_REMINDERS
  reminders/ReminderLayout.cpp
  reminders/ReminderKeys.cpp
  reminders/ReminderRecord.cpp
  reminders/ReminderMessage.cpp
  reminders/ReminderListFile.cpp
  reminders/ReminderClock.cpp
)
