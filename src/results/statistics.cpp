#include "statistics.h"
