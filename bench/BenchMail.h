#pragma once

#include <QByteArray>
#include <QString>

// The header block of a realistic received mail, numbered n (two Received lines, a signed-sender
// verdict, an encoded subject, a reference chain).
inline QByteArray benchHeaderBlock(int n)
{
    return QStringLiteral(
               "Received: from mail-ed1-f41.example.com (mail-ed1-f41.example.com [209.85.208.41])\r\n"
               "\tby mx.example.org (Postfix) with ESMTPS id 4F2B81C0%1\r\n"
               "\tfor <alice@example.org>; Wed, 17 Jul 2024 10:01:02 +0200 (CEST)\r\n"
               "Received: by mail-ed1-f41.example.com with SMTP id 4fb4d7f45d1cf-5a1b2c3d4e5;\r\n"
               "        Wed, 17 Jul 2024 01:01:01 -0700 (PDT)\r\n"
               "Authentication-Results: mx.example.org; dkim=pass header.d=example.com;\r\n"
               "\tspf=pass smtp.mailfrom=sender%1@example.com; dmarc=pass header.from=example.com\r\n"
               "From: \"Sender Number %1\" <sender%1@example.com>\r\n"
               "To: Alice Example <alice@example.org>\r\n"
               "Cc: team@example.org\r\n"
               "Subject: =?UTF-8?Q?Re=3A_quarterly_report_n=C2=B0_%1?=\r\n"
               "Date: Wed, 17 Jul 2024 10:01:02 +0200\r\n"
               "Message-ID: <CAF%1.abcdef0123456789@mail.example.com>\r\n"
               "In-Reply-To: <CAF%2.abcdef0123456789@mail.example.com>\r\n"
               "References: <CAF%2.abcdef0123456789@mail.example.com> <CAF%3.abcdef0123456789@mail.example.com>\r\n"
               "\r\n")
        .arg(n)
        .arg(n - 1)
        .arg(n - 2)
        .toUtf8();
}
