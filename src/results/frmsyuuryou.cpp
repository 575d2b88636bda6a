#include "frmsyuuryou.h"
