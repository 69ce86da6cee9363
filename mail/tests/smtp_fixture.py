#!/usr/bin/python3
"""A controllable SMTP server on 127.0.0.1 for the mail tests.

Usage: smtp_fixture.py FOLDER [options]

The server listens on a free port and writes that port to FOLDER/port once it
accepts connections. It stops when FOLDER/stop appears or its parent process
ends, and after an hour in any case.

Two servers:
  (default)   a real SMTP server (aiosmtpd). Each accepted message is written
              to FOLDER/msg-NNNN.eml exactly as it arrived (after the DATA
              phase's transparency dots are removed) and its envelope to
              FOLDER/msg-NNNN.env ("MAIL <from>" then one "RCPT <to>" a line).
              --reject ADDR   answer RCPT TO for ADDR with 550 (repeatable)
              --tls           offer STARTTLS with a throw-away certificate
                              (FOLDER/cert.pem, trusted by nobody else) and
                              require it before MAIL
              --auth USER:PW  offer AUTH PLAIN and LOGIN and require it; each
                              attempt is logged to FOLDER/auth.log
              --auth-exclude MECHANISM  do not offer it (repeatable)
  --scripted  a hand-written server that answers every step as FOLDER/script.json
              says (read afresh for each connection). Its keys are the steps
              greeting, helo, ehlo, mail, rcpt, data, message (the reply after
              the final "."), quit and other; a value is the reply text (lines
              separated by "\\n", each sent with CRLF), or "close" (close the
              connection instead of answering), "silent" (never answer) or
              "partial" (send part of a line, then close). Every byte a client
              sends is recorded to FOLDER/session-NNNN.raw when the session
              ends, and the DATA phase
              as it came over the wire (dots included) to FOLDER/wire-NNNN.raw.
"""

import argparse
import asyncio
import json
import logging
import os
import ssl
import subprocess
import sys
import time

FOLDER = None
COUNTER = {"message": 0, "session": 0}


def write_atomic(name, data):
    path = os.path.join(FOLDER, name)
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def next_number(kind):
    COUNTER[kind] += 1
    return COUNTER[kind]


# ---------------------------------------------------------------------------
# The real server

class RecordingHandler:
    def __init__(self, rejected):
        self.rejected = {address.lower() for address in rejected}

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.rejected:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        number = next_number("message")
        envelope_text = "MAIL %s\n" % envelope.mail_from
        envelope_text += "".join("RCPT %s\n" % to for to in envelope.rcpt_tos)
        if session.ssl:
            envelope_text += "TLS yes\n"
        write_atomic("msg-%04d.env" % number, envelope_text.encode())
        write_atomic("msg-%04d.eml" % number, envelope.original_content)
        return "250 Message accepted for delivery"


def make_certificate():
    cert = os.path.join(FOLDER, "cert.pem")
    key = os.path.join(FOLDER, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1",
         "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


def start_real_server(loop, options):
    from aiosmtpd.smtp import SMTP, AuthResult

    handler = RecordingHandler(options.reject)
    tls_context = make_certificate() if options.tls else None
    user, _, password = (options.auth or "").partition(":")

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (auth_data.login == user.encode() and auth_data.password == password.encode())
        with open(os.path.join(FOLDER, "auth.log"), "a") as log:
            log.write("%s %s %s\n" % (mechanism, auth_data.login.decode(errors="replace"),
                                      "ok" if ok else "refused"))
        return AuthResult(success=ok, handled=False)

    def factory():
        kwargs = dict(hostname="fixture.test", ident="fixture", loop=loop)
        if tls_context:
            kwargs.update(tls_context=tls_context, require_starttls=True)
        if options.auth:
            kwargs.update(authenticator=authenticator, auth_required=True,
                          auth_require_tls=bool(tls_context),
                          auth_exclude_mechanism=options.auth_exclude)
        return SMTP(handler, **kwargs)

    return loop.create_server(factory, host="127.0.0.1", port=0)


# ---------------------------------------------------------------------------
# The scripted server

DEFAULTS = {
    "greeting": "220 fixture ready",
    "helo": "250 fixture",
    "ehlo": "250-fixture\n250 8BITMIME",
    "mail": "250 sender ok",
    "rcpt": "250 recipient ok",
    "data": "354 end with <CRLF>.<CRLF>",
    "message": "250 queued",
    "quit": "221 bye",
    "other": "500 command not recognised",
}


def load_script():
    script = dict(DEFAULTS)
    path = os.path.join(FOLDER, "script.json")
    if os.path.exists(path):
        with open(path) as f:
            script.update(json.load(f))
    return script


class Stop(Exception):
    pass


async def scripted_session(reader, writer):
    number = next_number("session")
    script = load_script()
    session = bytearray()

    def record(final=False):
        # The whole session is written once it ends; tests wait for that.
        name = "session-%04d.%s" % (number, "raw" if final else "part")
        write_atomic(name, bytes(session))

    async def answer(step):
        reply = script[step]
        if reply == "silent":
            # Keep the connection open and answer nothing until the client
            # gives up (closes).
            while await reader.read(4096):
                pass
            raise Stop()
        if reply == "close":
            raise Stop()
        if reply == "partial":
            writer.write(b"250 and then the li")
            await writer.drain()
            raise Stop()
        writer.write(b"".join(line.encode() + b"\r\n" for line in reply.split("\n")))
        await writer.drain()

    try:
        await answer("greeting")
        while True:
            line = await reader.readline()
            if not line:
                break
            session.extend(line)
            record()
            verb = line.split(b" ", 1)[0].split(b":", 1)[0].strip().upper()
            step = {b"HELO": "helo", b"EHLO": "ehlo", b"MAIL": "mail", b"RCPT": "rcpt",
                    b"DATA": "data", b"QUIT": "quit"}.get(verb, "other")
            await answer(step)
            if step == "data" and script["data"].startswith("3"):
                wire = bytearray()
                while True:
                    data_line = await reader.readline()
                    if not data_line:
                        raise Stop()
                    session.extend(data_line)
                    if data_line == b".\r\n":
                        break
                    wire.extend(data_line)
                record()
                write_atomic("wire-%04d.raw" % number, bytes(wire))
                await answer("message")
            if step == "quit":
                break
    except (Stop, ConnectionError):
        pass
    finally:
        writer.close()
        record(final=True)


# ---------------------------------------------------------------------------

async def watch(parent):
    deadline = time.monotonic() + 3600
    while True:
        if os.path.exists(os.path.join(FOLDER, "stop")) or os.getppid() != parent:
            return
        if time.monotonic() > deadline:
            return
        await asyncio.sleep(0.05)


def main():
    global FOLDER
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--scripted", action="store_true")
    parser.add_argument("--reject", action="append", default=[])
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--auth")
    parser.add_argument("--auth-exclude", action="append", default=[])
    options = parser.parse_args()
    FOLDER = options.folder
    parent = os.getppid()
    logging.disable(logging.CRITICAL)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    if options.scripted:
        starting = asyncio.start_server(scripted_session, host="127.0.0.1", port=0)
    else:
        starting = start_real_server(loop, options)
    server = loop.run_until_complete(starting)
    port = server.sockets[0].getsockname()[1]
    write_atomic("port", str(port).encode())
    try:
        loop.run_until_complete(watch(parent))
    finally:
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
