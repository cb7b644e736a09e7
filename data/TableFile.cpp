#include "data/TableFile.h"
