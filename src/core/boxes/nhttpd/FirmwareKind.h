#pragma once

// What is known of a box's web server. Servers before nhttpd 3.4.1 decode a
// request more than once, so "&", "+" and "%" in a text do not reach the
// screen as written; newer ones split first and decode once.
enum class FirmwareKind { Unknown, Old, New };
