set(ZELVO_CORE_SOURCES_REMINDERS
  reminders/ReminderClock.cpp
)
