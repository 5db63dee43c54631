set(ZELVO_CORE_SOURCES_BOXES
  boxes/BoxListFile.cpp
  boxes/RequestTarget.cpp
  boxes/BoxAddress.cpp
  boxes/HttpAnswer.cpp
  boxes/HttpTransport.cpp
  boxes/RequestChannel.cpp
)
