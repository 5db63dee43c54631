#include "boxes/BoxList.h"
