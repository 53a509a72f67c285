// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quietlane {

enum class OffscreenTarget { dropdown, settings };

/// The one-shot "draw into a PNG" run: no display and no sound server are needed (the
/// toolkit runs on its offscreen platform). Returns the exit status: 0 when the file was
/// written; 1 otherwise, after "render failed" ("settings render failed") and the reason
/// on standard error.
int runOffscreenRender(OffscreenTarget target, const std::string& path, int argc, char** argv);

} // namespace quietlane
