#include "watch/EchoProber.h"

EchoProber::~EchoProber() = default;
