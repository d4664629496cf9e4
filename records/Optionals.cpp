#include "records/Optionals.h"
