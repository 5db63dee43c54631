set(ZELVO_CORE_SOURCES_BOXES
  boxes/BoxListFile.cpp
  boxes/BoxFirmware.cpp
  boxes/RequestTarget.cpp
  boxes/HttpTransport.cpp
  boxes/RequestChannel.cpp
)
