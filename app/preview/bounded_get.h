// Every request the application makes starts here: a GET through a network manager of its own,
// bounded (http and https only, a few redirects, a stall timeout, a body cap past which the reply
// is aborted) and saying who asks (the product's User-Agent, as web services such as Wikimedia's
// ask of their clients).
#pragma once

#include <QNetworkReply>
#include <QString>

class QObject;

// The body caps: a feed document, and an image (hundreds of megabytes are rare, but real).
inline constexpr qint64 kFeedBodyCap = 16 << 20;
inline constexpr qint64 kImageBodyCap = 256 << 20;

// Starts the request; `parent` owns the reply (through its manager). An address of any other scheme
// than http and https gets a reply that fails in a later turn of the event loop, so the caller's
// handlers are connected by then. The manager goes with the reply, so a handler that releases its
// reply (or a cancel that deletes it) releases the manager and its thread too.
QNetworkReply* boundedGet(const QString& address, qint64 bodyCap, QObject* parent);
