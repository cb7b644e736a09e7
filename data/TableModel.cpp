#include "data/TableModel.h"
