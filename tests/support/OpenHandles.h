#pragma once

namespace zuvelo::testing {
long openHandles(); // the files, folders and other objects this process holds open
}
