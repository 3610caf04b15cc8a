// The command line's arguments as the wide strings they were given as, whatever the code page.
#pragma once

#include <string>
#include <vector>

namespace bench {

// The program's own name first, as argv would have it.
std::vector<std::wstring> WideArguments();

}  // namespace bench
