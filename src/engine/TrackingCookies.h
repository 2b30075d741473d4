#pragma once

namespace veridon {

class ScanSession;

// The "Tracking Cookies" area: every cookie file of the URL cache (local file
// name ending exactly in ".txt") whose source address contains a site of
// TrackingCookie.db, in any letter case, is reported (check 7) with the
// cookie risk level.
void scanTrackingCookies(ScanSession& session);

} // namespace veridon
