// The filter list of the open dialogs, in display order; the first entry is
// selected when a dialog opens.
#pragma once

#include "app/Platform.h"

#include <string>
#include <vector>

const std::vector<TFileFilter>& OpenFilters();

// One entry as a file dialog lists it: the label, then the patterns in
// brackets separated by blanks ("MPEG文件 (*.mpg *.mpeg)"). A label that
// already ends with its patterns in brackets gets them once, not twice.
std::string DialogFilterEntry(const TFileFilter& filter);
