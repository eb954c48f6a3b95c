// The filter list of the open dialogs, in display order; the first entry is
// selected when a dialog opens.
#pragma once

#include "app/Platform.h"

#include <vector>

const std::vector<TFileFilter>& OpenFilters();
