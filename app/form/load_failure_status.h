// The status line the preview shows when a load fails: which server, why, and what to do next.
#pragma once

#include <QString>

// `source` is the feed source number (0 Bing, 1 NASA, 2 Wikipedia); `reason` what the network
// said ("host not found", "timed out", an HTTP status), or empty when it said nothing.
QString loadFailureStatus(int source, const QString& reason);
