#include "data/Table.h"
