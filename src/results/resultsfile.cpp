#include "resultsfile.h"
