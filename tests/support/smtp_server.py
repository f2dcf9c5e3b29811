#!/usr/bin/python3
"""A submission server for the tests, on aiosmtpd, on one loopback address:

  port 465      TLS at once
  a free port   STARTTLS, required before AUTH and MAIL
  a free port   no TLS configured, so STARTTLS is answered with 454

AUTH PLAIN against the users given; a wrong password is answered 535. Recipients with the
local part "nobody" are refused with 550; those at forward.example are taken with 251.
Every command line and every accepted message goes as one JSON line into the journal.
Prints one JSON line with the free ports once all three listen.

usage: smtp_server.py ADDRESS CERT KEY JOURNAL USER:PASSWORD...
"""
import asyncio
import base64
import itertools
import json
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult

connections = itertools.count(1)
# aiosmtpd itself still sets the attribute it warns about on every login.
warnings.filterwarnings("ignore", message="Session.login_data is deprecated")


class Journal:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")

    def write(self, entry):
        self.file.write(json.dumps(entry) + "\n")
        self.file.flush()


class Handler:
    def __init__(self, journal):
        self.journal = journal

    async def handle_RCPT(self, server, session, envelope, address, options):
        local, _, domain = address.rpartition("@")
        if local == "nobody":
            return f"550 5.1.1 <{address}>: Recipient address rejected: User unknown"
        envelope.rcpt_tos.append(address)
        if domain == "forward.example":
            return "251 2.1.5 User not local; will forward"
        return "250 2.1.5 OK"

    async def handle_DATA(self, server, session, envelope):
        self.journal.write({
            "connection": server.connection,
            "from": envelope.mail_from,
            "to": envelope.rcpt_tos,
            "data": base64.b64encode(envelope.original_content).decode("ascii"),
        })
        return "250 2.0.0 Ok: queued"


class RecordingSMTP(SMTP):
    """Writes every command it dispatches, with whether the connection was secure then."""

    def __init__(self, handler, journal, implicit_tls, **options):
        super().__init__(handler, hostname="smtp.test", **options)
        self.connection = next(connections)
        self.journal = journal
        self.implicit_tls = implicit_tls
        for verb, method in list(self._smtp_methods.items()):
            self._smtp_methods[verb] = self.recorded(verb, method)

    def recorded(self, verb, method):
        async def call(arg):
            self.journal.write({
                "connection": self.connection,
                "tls": self.implicit_tls or self._tls_protocol is not None,
                "line": verb + (" " + arg if arg else ""),
            })
            return await method(arg)
        return call


def authenticator(users):
    def check(server, session, envelope, mechanism, data):
        user = data.login.decode("utf-8", "replace")
        password = data.password.decode("utf-8", "replace")
        if mechanism == "PLAIN" and users.get(user) == password:
            return AuthResult(success=True)
        return AuthResult(success=False, handled=False, message="535 5.7.8 Authentication credentials invalid")
    return check


async def main():
    address, cert, key, journal_path = sys.argv[1:5]
    users = dict(pair.split(":", 1) for pair in sys.argv[5:])
    journal = Journal(journal_path)
    handler = Handler(journal)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    loop = asyncio.get_running_loop()

    def server(implicit_tls, **options):
        return lambda: RecordingSMTP(handler, journal, implicit_tls, authenticator=authenticator(users),
                                     auth_exclude_mechanism=["LOGIN"], **options)

    await loop.create_server(server(True, auth_require_tls=False), address, 465, ssl=context)
    starttls = await loop.create_server(server(False, tls_context=context, require_starttls=True), address, 0)
    plain = await loop.create_server(server(False), address, 0)
    print(json.dumps({"starttls": starttls.sockets[0].getsockname()[1],
                      "plain": plain.sockets[0].getsockname()[1]}), flush=True)
    await asyncio.Event().wait()


asyncio.run(main())
