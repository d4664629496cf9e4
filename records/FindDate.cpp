#include "records/FindDate.h"
