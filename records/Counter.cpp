#include "records/Counter.h"
