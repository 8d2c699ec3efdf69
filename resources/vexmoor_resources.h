#pragma once
// The program's resource table: strings, menus, soft-key bars, dialog templates and the
// bitmaps built into the executable. Start-up makes the module handle from it.

#include "platform/resources.h"

const ResourceTable &VexmoorResources();
