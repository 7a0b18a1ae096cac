// The whole dialog framework.
#pragma once

#include "fx/app.h"
#include "fx/controls.h"
#include "fx/cstring.h"
#include "fx/dialog.h"
#include "fx/filedialog.h"
#include "fx/msgmap.h"
#include "fx/propsheet.h"
#include "fx/resources.h"
#include "fx/types.h"
#include "fx/wnd.h"
