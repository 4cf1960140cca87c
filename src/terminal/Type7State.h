#pragma once

#include <QByteArray>

// What the type 7 parser keeps between polls for the whole run: the bytes
// not yet used and the number of polls since the last frame.
struct Type7State
{
    QByteArray buffer;
    int misses = 0;
};
