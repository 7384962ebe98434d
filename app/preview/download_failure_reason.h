// Why a preview request failed, in the few words a status line has room for: "host not found",
// "timed out", "HTTP status 404 Not Found"...
#pragma once

#include <QString>

class QNetworkReply;

// Marks a reply that its caller aborted because its body grew past the cap, so the reason says
// so rather than calling the abort a cancellation.
void markBodyTooLarge(QNetworkReply& reply);

// The reason for a reply that ended in an error; empty for one that did not.
QString downloadFailureReason(const QNetworkReply& reply);
