set(ZELVO_CORE_SOURCES_APP
  app/SecondTimer.cpp
  app/Engine.cpp
)
set(ZELVO_UI_SOURCES_APP
  app/StartForm.cpp
)
list(APPEND ZELVO_UI_SOURCES_APP app/Shape.cpp)
list(APPEND ZELVO_UI_SOURCES_APP app/TrayDecision.cpp app/TrayIcon.cpp)
