#include "records/FileHandle.h"
