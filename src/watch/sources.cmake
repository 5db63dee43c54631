set(ZELVO_CORE_SOURCES_WATCH
  watch/EchoResult.h
  watch/EchoProber.cpp
  watch/IcmpEcho.cpp
  watch/IcmpEchoProber.cpp
  watch/StatusWatch.cpp
)
