// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A rule a fuzz target found broken: says which and stops, so that libFuzzer
// keeps the input that broke it.
[[noreturn]] inline void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "broken rule: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 qPrintable(detail));
    std::abort();
}

// Bytes in a message: the first 200 of them, in hex.
[[noreturn]] inline void fail(const char *what, const QByteArray &detail)
{
    fail(what, QString::fromLatin1(detail.left(200).toHex(' ')));
}

template <typename Detail = QString>
void require(bool ok, const char *what, const Detail &detail = {})
{
    if (!ok)
        fail(what, detail);
}
