// What the display should show after Install ran: the ramp the engine prepares for a mode with
// the colourfulness and temperature of its shared record, as Install asks for it.
#pragma once

#include <optional>
#include <string>

#include "common/testing/wine_testing.h"
#include "engine/win32/tintor_api.h"

namespace tl::installer::testing {

// tablesFolder holds acf\ and atf\ and ends with a backslash. Nothing when the engine refuses a
// table or the computation.
std::optional<tl::testing::GammaRamp> EngineRampFor(const tl::engine::api::TintorApi& engine,
                                                    const std::wstring& tablesFolder, int mode);

}  // namespace tl::installer::testing
