// Publishing the listing: the objects "Sakura" (the system code page) and
// "SakuraUnicode" (UTF-8), each written only under its writer lock
// ("SakuraFMO", "SakuraUnicodeFMO"), and a thread that rewrites the
// surfaces again and again as a running ghost changes expression.
#pragma once

#include "tools/ghost/listing.h"

#include <string>
#include <vector>

namespace lumivox::ghost {

// Replaces whatever was published by "Sakura" listing ansi and, when unicode
// is given, "SakuraUnicode" listing it; each object 65,536 bytes. With
// rewrite, surfaces change until the listing is withdrawn. False, with
// nothing published, when an object cannot be made or a text does not fit.
bool listing_publish(const std::vector<ListedGhost>& ansi, const std::vector<ListedGhost>* unicode,
                     bool rewrite);

// Stops rewriting and withdraws both objects, then publishes exactly these
// bytes as "Sakura" (object sized to them) and, when given, as
// "SakuraUnicode". The locks stay as they were.
bool listing_publish_raw(const std::string& sakura, const std::string* sakura_unicode);

// With true, takes every writer lock on a thread of its own and keeps it, so
// that the listing stays whole and unchanged, until called with false or
// withdrawn. False when a lock does not exist or could not be taken.
bool listing_hold(bool hold);

// Lets go of the locks, stops rewriting, withdraws the objects and the locks.
void listing_withdraw();

} // namespace lumivox::ghost
