// The quality property page (dialog 150, "Quality"): the filter's IQualProp figures, refreshed
// ten times a second while the page shows.
#pragma once

#include "common/dshow/win32/property_page.h"

namespace tl::renderer {

// Creates a page with one reference and gives the asked interface of it.
HRESULT CreateQualityPage(REFIID iid, void** out);

// The frame rate as the page shows it: hundredths as "%d.%02d".
std::wstring FrameRateText(int hundredths);

}  // namespace tl::renderer
