#!/usr/bin/python3
"""The scripting user's way: imaplib over TLS, then the email package for the same fields.

usage: imaplib_peer.py HOST PORT USER PASSWORD CAFILE LIMIT
"""
import email.header
import email.parser
import email.policy
import email.utils
import imaplib
import ssl
import sys

FIELDS = ("FROM TO CC SUBJECT DATE MESSAGE-ID IN-REPLY-TO REFERENCES REPLY-TO "
          "AUTHENTICATION-RESULTS RECEIVED")


def decoded(value):
    return str(email.header.make_header(email.header.decode_header(value or "")))


def main():
    host, port, user, password, cafile, limit = sys.argv[1:7]
    context = ssl.create_default_context(cafile=cafile)
    imap = imaplib.IMAP4_SSL(host, int(port), ssl_context=context)
    imap.login(user, password)
    _, data = imap.select("INBOX")
    exists = int(data[0])
    start = max(exists - int(limit) + 1, 1)
    _, fetched = imap.fetch(f"{start}:{exists}",
                            f"(UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS ({FIELDS})])")
    parser = email.parser.BytesHeaderParser(policy=email.policy.compat32)
    items = []
    for part in fetched:
        if not isinstance(part, tuple):
            continue
        meta, block = part
        headers = parser.parsebytes(block)
        items.append((
            imaplib.Internaldate2tuple(meta),
            b"\\Seen" in meta,
            email.utils.parseaddr(headers.get("From", "")),
            email.utils.parseaddr(headers.get("To", "").split(",")[0]),
            decoded(headers.get("Subject")),
            email.utils.parsedate_to_datetime(headers["Date"]) if headers.get("Date") else None,
            headers.get("Message-ID", ""),
            headers.get("References", ""),
        ))
    imap.logout()
    print(len(items), file=sys.stderr)


if __name__ == "__main__":
    main()
