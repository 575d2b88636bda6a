#include "mainfrm.h"
