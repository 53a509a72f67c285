// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"

#include <QImage>
#include <QString>

namespace quietlane::DropdownRenderer {

/// The dropdown card with the fixed sample model on the fixed backdrop, at scale 2
/// (792 × 958 pixels). A null image when drawing failed.
QImage render();

/// Draws the image and writes it as PNG to `path`, replacing a file already there.
Result<void> renderToFile(const QString& path);

} // namespace quietlane::DropdownRenderer
