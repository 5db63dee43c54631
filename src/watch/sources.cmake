set(ZELVO_CORE_SOURCES_WATCH
  watch/StatusWatch.cpp
)
