// placeholder, being written
#include "core/Format.h"
