// Case folding of UTF-8 text for matching names ignoring letter case.
//
// Member names, class names, settings keys and column names are matched through their
// folded form: ASCII letters and the Latin-1 letters À-Þ (the Portuguese accented capitals
// among them) become lower case; every other byte sequence, including malformed UTF-8, is
// kept as it is. Pure function, safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace orvalis {

// "VALORCONTÁBIL" and "ValorContábil" both give "valorcontábil". '×' is not a letter and
// stays; so do 'ß' and the letters outside Latin-1.
std::string FoldCase(std::string_view utf8);

}  // namespace orvalis
