#pragma once

#include <QString>

// The words for why two contacts seem to be one person, and how sure that is.
namespace MatchReasons {

// ContactMatcher::Reason bits, joined.
QString text(unsigned reasons);
// ContactMatcher::Confidence as an int.
QString confidence(int confidence);

} // namespace MatchReasons
