#pragma once

namespace zuvelo::testing {

// The number of files, folders and other objects this process holds open.
long openHandles();

} // namespace zuvelo::testing
