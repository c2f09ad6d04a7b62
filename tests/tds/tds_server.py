#!/usr/bin/env python3
"""A small SQL Server stand-in speaking TDS 7.3 on loopback, for driver tests.

It knows the client's six statements and answers them from an embedded (SQLite)
fixture database, typing the columns as the production server does. Anything else
gets the errors SQL Server gives for unknown objects or bad syntax.

Usage: tds_server.py DBFILE [--log FILE]
Prints "port N" on stdout once listening. Commands on stdin, one a line, each
answered with "ok":
  fault none | close | silent | refuse | drop COLUMN | delay MS
      (silent: nothing is answered, new connections and old alike, until the fault ends;
      then what came meanwhile is answered, as after a pulled cable is plugged back;
      refuse: logins fail, and sessions end at their next request)
  stats        (prints "stats logins=N failed=N statements=N sessions=N peak=N clear=N
                sealed=N exposed=N handshakes=N broken=N": logins taken and refused,
                statements answered, sessions open now and at most, login packets that
                came in the clear and inside TLS, logins whose password bytes crossed
                the wire readable, TLS handshakes completed and failed)
  stats reset  (counts from zero, the peak from the sessions open now)
  db FILE      (sessions that log in from now on use FILE)
  account ["USER", "PASSWORD", "DATABASE"]   (the one login accepted from now on)
  encryption none | offer CERT KEY | force CERT KEY
      (what the pre-login answers from now on: no encryption; encryption as the client
      asks, the login alone when it only accepts it; every session encrypted whole.
      CERT and KEY are PEM files)
Closing stdin stops the server.
"""

import datetime
import json
import re
import socket
import sqlite3
import ssl
import struct
import sys
import threading

USER, PASSWORD, DATABASE = "sa", "HbnTr4417", "KvtCP"
SERVER_NAME = "TVTDS"

# Chinese_PRC_CI_AS: LCID 0x0804, ignore case, kana and width; its bytes are GB18030.
COLLATION = struct.pack("<I", 0x0804 | (1 << 20) | (1 << 22) | (1 << 23)) + b"\x00"
TEXT_CODEC = "gb18030"

# Packet types
SQL_BATCH, RPC, REPLY, ATTENTION, LOGIN7, PRELOGIN = 1, 3, 4, 6, 0x10, 0x12

# The pre-login's encryption option, from client and server alike.
ENCRYPT_OFF, ENCRYPT_ON, ENCRYPT_NOT_SUP, ENCRYPT_REQ = 0, 1, 2, 3


def encryption_answer(policy, client):
    """The server's encryption value for the client's, under the server's policy."""
    if policy == "none":
        return ENCRYPT_NOT_SUP
    if policy == "force":
        return ENCRYPT_REQ if client == ENCRYPT_NOT_SUP else ENCRYPT_ON
    return {ENCRYPT_OFF: ENCRYPT_OFF, ENCRYPT_NOT_SUP: ENCRYPT_NOT_SUP}.get(client, ENCRYPT_ON)

# Column types as the production tables and statements deliver them.
INT, VARCHAR, CHAR, DATETIME = "int", "varchar", "char", "datetime"
COLUMN_TYPES = {
    "id": (INT, 4), "kind": (INT, 4), "tsbh": (INT, 4),
    "k00": (INT, 4), "k01": (INT, 4), "k02": (INT, 4), "k03": (INT, 4),
    "xqkj": (INT, 4), "ver": (INT, 4), "c3max": (INT, 4), "c4min": (INT, 4),
    "f01用户id": (INT, 4),
    "cpqh": (VARCHAR, 32), "ainame": (VARCHAR, 32), "k04": (VARCHAR, 32),
    "k05": (VARCHAR, 128), "cz": (VARCHAR, 51), "tablename": (VARCHAR, 32),
    "f03用户名": (VARCHAR, 20), "f05姓名": (VARCHAR, 20), "f07口令": (VARCHAR, 20),
    "zjhm": (CHAR, 5),
    "kjsj": (DATETIME, 8), "opdatetimet": (DATETIME, 8), "createdt": (DATETIME, 8),
}

# The six statements: T-SQL text as the client sends it (parameters as @P1, @P2, …)
# and the SQLite text answering it. convert(varchar(8), n) gives "*" for a number too long
# for 8 characters, as SQL Server does.
S1 = ("select zjhm,cpqh,cz=(case when xqkj>0 then cz else '取数据...' end),xqkj,ver from (\n"
      "SELECT TOP 1 zjhm,cpqh,cz=(case [K02] when 1 then '押【'+[K04]+'】/注<'+convert(varchar(8),k01)+'>' else '过' end),DATEDIFF(SS,GETDATE(),[kjsj])+55-datepart(ss,[kjsj]) as xqkj,\n"
      "(select ver from dbo.a5_z0_00VER where tablename='a5_z0_1his') as ver\n"
      "FROM [KvtCP].[dbo].[a5_z0_5yc]\n"
      "where ainame=@P1\n"
      "order by cpqh desc\n"
      ") as u")
S1_LITE = ("select zjhm,cpqh,(case when xqkj>0 then cz else '取数据...' end) as cz,xqkj,ver from ("
           "SELECT zjhm,cpqh,(case K02 when 1 then '押【'||K04||'】/注<'||(case when length(cast(K01 as text))>8 then '*' else cast(K01 as text) end)||'>' else '过' end) as cz,"
           "(cast(strftime('%s',kjsj) as integer)-cast(strftime('%s','now','localtime') as integer))+55-cast(strftime('%S',kjsj) as integer) as xqkj,"
           "(select ver from a5_z0_00VER where tablename='a5_z0_1his') as ver "
           "FROM a5_z0_5yc where ainame=? order by cpqh desc limit 1) as u")
S2 = ("SELECT top 360 *   FROM [dbo].[a5_z0_5yc]\n"
      "where ainame=@P1\n"
      "order by cpqh desc")
S2_LITE = "SELECT * FROM a5_z0_5yc where ainame=? order by cpqh desc limit 360"
S3 = ("SELECT a.ainame,a.K00,a.K01,a.k02,a.k03,a.k04,a.k05,\n"
      "(select MAX(b.k00) from [dbo].[a5_z0_5yc] b where b.ainame=a.ainame) as c3max,\n"
      "(select min(b.k00) from [dbo].[a5_z0_5yc] b where b.ainame=a.ainame) as c4min\n"
      "FROM [KvtCP].[dbo].[a5_z0_5yc] a\n"
      "where a.cpqh=@P1\n"
      "order by a.k00 desc")
S3_LITE = ("SELECT a.ainame,a.K00,a.K01,a.k02,a.k03,a.k04,a.k05,"
           "(select MAX(b.k00) from a5_z0_5yc b where b.ainame=a.ainame) as c3max,"
           "(select min(b.k00) from a5_z0_5yc b where b.ainame=a.ainame) as c4min "
           "FROM a5_z0_5yc a where a.cpqh=? order by a.k00 desc")
S4 = re.compile(r"SELECT \[ainame\]  FROM \[KvtCP\]\.\[dbo\]\.\[a5_z0_5yc\]  where cpqh='((?:[^']|'')*)'  order by id\Z")
S4_LITE = "SELECT ainame FROM a5_z0_5yc where cpqh=? order by id"
S5 = "select * from dbo.TA71操作用户 where F03用户名=@P1"
# Login names as the server compares them: without trailing blanks, ASCII case ignored.
S5_LITE = 'select * from "TA71操作用户" where rtrim("F03用户名") collate nocase=rtrim(?)'
S6 = "update TA71操作用户\nset F07口令=@P1\nwhere F03用户名=@P2"
S6_LITE = 'update "TA71操作用户" set "F07口令"=? where rtrim("F03用户名") collate nocase=rtrim(?)'

KNOWN_TABLES = {"a5_z0_5yc", "a5_z0_00ver", "ta71操作用户"}


def normalise(text):
    # Leading blanks and tabs of a line carry no meaning; line ends may be CR LF.
    return "\n".join(line.lstrip(" \t") for line in text.replace("\r\n", "\n").split("\n")).strip()


class SqlError(Exception):
    def __init__(self, number, message, state=1, severity=16):
        super().__init__(message)
        self.number, self.message, self.state, self.severity = number, message, state, severity


def classify_unknown(text):
    for name in re.findall(r"(?:from|update|into|join)\s+((?:\[?\w+\]?\.)*\[?[\w]+\]?)", text, re.I):
        table = name.split(".")[-1].strip("[]")
        if table.lower() not in KNOWN_TABLES:
            return SqlError(208, "Invalid object name '%s'." % name)
    word = (text.split() or [""])[0]
    return SqlError(102, "Incorrect syntax near '%s'." % word[:64])


def match_statement(text, params, database=DATABASE):
    """Returns (sqlite text, parameters, is_command) for one of the six statements."""
    t = normalise(text)
    if database != DATABASE:
        # Statements that name a database must name the session's.
        builtin = "[%s]." % DATABASE
        if builtin in t:
            raise SqlError(911, "Database '%s' does not exist. Make sure that the name is entered correctly." % DATABASE)
        t = t.replace("[%s]." % database.replace("]", "]]"), builtin)
    table = {normalise(S1): S1_LITE, normalise(S2): S2_LITE, normalise(S3): S3_LITE,
             normalise(S5): S5_LITE}
    if t in table:
        if len(params) != 1:
            raise SqlError(8178, "The parameterized query expects the parameter '@P1', which was not supplied.")
        return table[t], params, False
    if t == normalise(S6):
        if len(params) != 2:
            raise SqlError(8178, "The parameterized query expects the parameter '@P2', which was not supplied.")
        return S6_LITE, params, True
    m = S4.match(t)
    if m and not params:
        return S4_LITE, [m.group(1).replace("''", "'")], False
    raise classify_unknown(t)


# ---------------------------------------------------------------- encoding helpers

def b_varchar(s):
    data = s.encode("utf-16-le")
    return bytes([len(data) // 2]) + data


def us_varchar(s):
    data = s.encode("utf-16-le")
    return struct.pack("<H", len(data) // 2) + data


def token_error(number, message, state=1, severity=16, info=False):
    body = (struct.pack("<iBB", number, state, severity) + us_varchar(message)
            + b_varchar(SERVER_NAME) + b_varchar("") + struct.pack("<i", 1))
    return bytes([0xAB if info else 0xAA]) + struct.pack("<H", len(body)) + body


def token_done(status=0, count=None, token=0xFD, curcmd=0xC1):
    if count is not None:
        status |= 0x10
    return bytes([token]) + struct.pack("<HHQ", status, curcmd, count or 0)


def token_envchange(kind, new, old=""):
    if kind == 7:
        body = bytes([kind, len(new)]) + new + b"\x00"
    else:
        body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return b"\xE3" + struct.pack("<H", len(body)) + body


def column_type(name):
    return COLUMN_TYPES.get(name.lower(), (VARCHAR, 255))


def token_colmetadata(names):
    out = bytearray(b"\x81" + struct.pack("<H", len(names)))
    for name in names:
        kind, size = column_type(name)
        out += struct.pack("<IH", 0, 0x0001 | 0x0008)  # nullable, updatable unknown
        if kind == INT:
            out += bytes([0x26, 4])
        elif kind == DATETIME:
            out += bytes([0x6F, 8])
        else:
            out += bytes([0xA7 if kind == VARCHAR else 0xAF]) + struct.pack("<H", size) + COLLATION
        out += b_varchar(name)
    return bytes(out)


def encode_value(name, value):
    kind, size = column_type(name)
    if kind == INT:
        if value is None:
            return b"\x00"
        return b"\x04" + struct.pack("<i", int(value))
    if kind == DATETIME:
        if value is None or value == "":
            return b"\x00"
        when = datetime.datetime.strptime(str(value)[:19], "%Y-%m-%d %H:%M:%S")
        days = (when.date() - datetime.date(1900, 1, 1)).days
        ticks = (when.hour * 3600 + when.minute * 60 + when.second) * 300
        return b"\x08" + struct.pack("<iI", days, ticks)
    if value is None:
        return b"\xFF\xFF"
    data = str(value).encode(TEXT_CODEC, errors="replace")[:size]
    if kind == CHAR:
        data = data.ljust(size, b" ")
    return struct.pack("<H", len(data)) + data


def token_row(names, row):
    return b"\xD1" + b"".join(encode_value(n, v) for n, v in zip(names, row))


# ---------------------------------------------------------------- request parsing

class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError("truncated request")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def done(self):
        return self.pos >= len(self.data)


def skip_all_headers(r):
    total = struct.unpack("<I", r.data[r.pos:r.pos + 4])[0] if len(r.data) >= 4 else 0
    if 4 <= total <= len(r.data) - r.pos and total < 0x1000:
        r.take(total)


def read_plp(r):
    total = struct.unpack("<Q", r.take(8))[0]
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    out = bytearray()
    while True:
        n = r.u32()
        if n == 0:
            return bytes(out)
        out += r.take(n)


def read_param_value(r):
    """Reads TYPE_INFO and value of one RPC parameter; returns a Python value."""
    t = r.u8()
    if t in (0xE7, 0xEF, 0xA7, 0xAF):  # nvarchar, nchar, varchar, char
        maxlen = r.u16()
        r.take(5)
        if maxlen == 0xFFFF:
            data = read_plp(r)
        else:
            n = r.u16()
            data = None if n == 0xFFFF else r.take(n)
        if data is None:
            return None
        return data.decode("utf-16-le") if t in (0xE7, 0xEF) else data.decode(TEXT_CODEC, errors="replace")
    if t in (0x63, 0x23):  # ntext, text
        r.u32()
        r.take(5)
        n = r.u32()
        if n == 0xFFFFFFFF:
            return None
        data = r.take(n)
        return data.decode("utf-16-le") if t == 0x63 else data.decode(TEXT_CODEC, errors="replace")
    if t == 0x26:  # intn
        r.u8()
        n = r.u8()
        return None if n == 0 else int.from_bytes(r.take(n), "little", signed=True)
    if t in (0x38, 0x34, 0x30, 0x7F):  # int4, int2, int1, int8 fixed
        n = {0x38: 4, 0x34: 2, 0x30: 1, 0x7F: 8}[t]
        return int.from_bytes(r.take(n), "little", signed=True)
    raise ValueError("unsupported parameter type 0x%02X" % t)


def prelogin_encryption(data):
    """The client's encryption value in its pre-login message."""
    pos = 0
    while pos + 5 <= len(data) and data[pos] != 0xFF:
        token, offset, length = struct.unpack(">BHH", data[pos:pos + 5])
        if token == 1 and length >= 1 and offset < len(data):
            return data[offset]
        pos += 5
    return ENCRYPT_NOT_SUP


def parse_rpc(data):
    r = Reader(data)
    skip_all_headers(r)
    n = r.u16()
    if n == 0xFFFF:
        proc = {10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
                15: "sp_unprepare"}.get(r.u16(), "proc")
    else:
        proc = r.take(n * 2).decode("utf-16-le")
    r.u16()  # option flags
    params = []
    while not r.done():
        if r.data[r.pos] in (0x80, 0xFF):  # batch separators: one call is enough here
            break
        name = r.take(r.u8() * 2).decode("utf-16-le")
        status = r.u8()
        kind = r.data[r.pos]
        params.append((name, status, read_param_value(r), "0x%02X" % kind))
    return proc, params


# ---------------------------------------------------------------- the server

class Faults:
    def __init__(self):
        self.lock = threading.Condition()
        self.mode, self.column, self.delay_ms = "none", "", 0

    def set(self, words):
        with self.lock:
            self.mode, self.column, self.delay_ms = "none", "", 0
            if words and words[0] == "drop" and len(words) > 1:
                self.mode, self.column = "drop", words[1]
            elif words and words[0] == "delay" and len(words) > 1:
                self.mode, self.delay_ms = "delay", int(words[1])
            elif words:
                self.mode = words[0]
            self.lock.notify_all()

    def get(self):
        with self.lock:
            return self.mode, self.column, self.delay_ms

    def wait_while_silent(self):
        with self.lock:
            self.lock.wait_for(lambda: self.mode != "silent")


class Stats:
    def __init__(self):
        self.lock = threading.Lock()
        self.logins = self.failed = self.statements = self.sessions = self.peak = 0
        self.clear = self.sealed = self.exposed = self.handshakes = self.broken = 0

    def add(self, name, n=1):
        with self.lock:
            setattr(self, name, getattr(self, name) + n)
            self.peak = max(self.peak, self.sessions)

    def reset(self):
        with self.lock:
            self.logins = self.failed = self.statements = 0
            self.clear = self.sealed = self.exposed = self.handshakes = self.broken = 0
            self.peak = self.sessions

    def line(self):
        with self.lock:
            return ("stats logins=%d failed=%d statements=%d sessions=%d peak=%d clear=%d "
                    "sealed=%d exposed=%d handshakes=%d broken=%d") % (
                self.logins, self.failed, self.statements, self.sessions, self.peak,
                self.clear, self.sealed, self.exposed, self.handshakes, self.broken)


class Session:
    def __init__(self, sock, server):
        self.sock, self.server = sock, server
        self.packet_size = 4096
        self.prepared = {}
        self.db = None
        self.database = DATABASE
        self.tls = None       # the TLS session once its handshake is done
        self.wire = bytearray()  # what came over the socket before the login, as it came

    def log(self, *parts):
        self.server.log(*parts)

    # -- transport
    def recv_raw(self, n):
        chunk = self.sock.recv(n)
        if not chunk:
            raise ConnectionError("client closed")
        if self.db is None:
            self.wire += chunk
        return chunk

    def recv_exact(self, n):
        out = bytearray()
        while len(out) < n:
            if not self.tls:
                out += self.recv_raw(n - len(out))
                continue
            try:
                out += self.tls.read(n - len(out))
            except ssl.SSLWantReadError:
                self.tls_in.write(self.recv_raw(16384))
        return bytes(out)

    def send_raw(self, data):
        if self.tls:
            self.tls.write(data)
            data = self.tls_out.read()
        self.sock.sendall(data)

    def read_message(self):
        kind, payload = None, bytearray()
        while True:
            header = self.recv_exact(8)
            kind, status, length = header[0], header[1], struct.unpack(">H", header[2:4])[0]
            payload += self.recv_exact(length - 8)
            if status & 0x01:
                return kind, bytes(payload)

    def send_message(self, data, kind=REPLY, cut=False):
        room = self.packet_size - 8
        chunks = [data[i:i + room] for i in range(0, len(data), room)] or [b""]
        for i, chunk in enumerate(chunks):
            last = i == len(chunks) - 1
            packet = struct.pack(">BBHHBB", kind, 1 if last else 0, len(chunk) + 8, 0, (i + 1) % 256, 0) + chunk
            if cut and last:
                # Half a result, then the line goes dead.
                self.send_raw(packet[:8 + len(chunk) // 2])
                raise ConnectionAbortedError("cut by fault mode")
            self.send_raw(packet)

    # -- protocol
    def run(self):
        self.server.stats.add("sessions")
        try:
            if self.server.faults.get()[0] == "silent":
                self.log("silent: the pre-login waits")
                self.server.faults.wait_while_silent()
            kind, data = self.read_message()
            encryption = ENCRYPT_NOT_SUP
            if kind == PRELOGIN:
                policy, context = self.server.encryption
                encryption = encryption_answer(policy, prelogin_encryption(data))
                self.send_message(self.prelogin_reply(encryption))
                if encryption != ENCRYPT_NOT_SUP:
                    self.handshake(context)
                kind, data = self.read_message()
            if kind != LOGIN7:
                return
            self.server.stats.add("sealed" if self.tls else "clear")
            if self.tls and encryption == ENCRYPT_OFF:
                # Only the login was to be encrypted: the session goes on in the clear.
                self.tls = None
            if not self.login(data):
                return
            while True:
                kind, data = self.read_message()
                mode, _, delay = self.server.faults.get()
                if mode == "silent":
                    self.log("silent: request of type", kind, "waits")
                    self.server.faults.wait_while_silent()
                    mode, _, delay = self.server.faults.get()
                if mode == "refuse":
                    # A server that refuses logins has dropped its sessions too.
                    raise ConnectionAbortedError("refused by fault mode")
                if mode == "delay":
                    threading.Event().wait(delay / 1000.0)
                if kind == ATTENTION:
                    self.send_message(token_done(0x0020, token=0xFD))
                elif kind == SQL_BATCH:
                    self.batch(data)
                elif kind == RPC:
                    self.rpc(data)
                else:
                    self.log("unexpected packet type", kind)
                    self.send_message(token_error(102, "Incorrect syntax near ''.") + token_done(0x0002))
        except (ConnectionError, OSError, ValueError) as e:
            self.log("session ends:", repr(e))
        finally:
            self.server.stats.add("sessions", -1)
            if self.db:
                self.db.close()
            try:
                self.sock.close()
            except OSError:
                pass

    def handshake(self, context):
        """TLS inside pre-login packets, as the protocol carries it until the handshake ends."""
        self.tls_in, self.tls_out = ssl.MemoryBIO(), ssl.MemoryBIO()
        tls = context.wrap_bio(self.tls_in, self.tls_out, server_side=True)
        try:
            while True:
                kind, data = self.read_message()
                if kind != PRELOGIN:
                    raise ValueError("packet of type %d inside the TLS handshake" % kind)
                self.tls_in.write(data)
                try:
                    tls.do_handshake()
                    done = True
                except ssl.SSLWantReadError:
                    done = False
                out = self.tls_out.read()
                if out:
                    self.send_message(out, kind=PRELOGIN)
                if done:
                    break
        except (ssl.SSLError, ConnectionError, OSError) as e:
            self.server.stats.add("broken")
            self.log("TLS handshake failed:", repr(e))
            raise ConnectionError("TLS handshake failed")
        self.server.stats.add("handshakes")
        self.log("TLS:", tls.version(), tls.cipher()[0])
        self.tls = tls

    def prelogin_reply(self, encryption):
        options = [(0, bytes([16, 0, 0x07, 0xD0, 0, 0])),  # version 16.0.2000
                   (1, bytes([encryption])),
                   (2, b"\x00"),
                   (3, b""),
                   (4, b"\x00")]
        offset = len(options) * 5 + 1
        head, body = bytearray(), bytearray()
        for token, value in options:
            head += struct.pack(">BHH", token, offset + len(body), len(value))
            body += value
        return bytes(head) + b"\xFF" + bytes(body)

    def login(self, data):
        def field(pos):
            off, n = struct.unpack("<HH", data[pos:pos + 4])
            return data[off:off + 2 * n]
        self.packet_size = max(512, min(32767, struct.unpack("<I", data[8:12])[0] or 4096))
        user = field(40).decode("utf-16-le")
        raw = field(44)
        password = bytes((((b ^ 0xA5) >> 4) | ((b ^ 0xA5) << 4)) & 0xFF for b in raw).decode("utf-16-le")
        if raw and bytes(raw) in self.wire:
            # The password crossed the network only obfuscated, which anyone can undo.
            self.server.stats.add("exposed")
        account_user, account_password, account_database = self.server.account
        database = field(68).decode("utf-16-le") or account_database
        self.log("login", user, "database", database)
        mode = self.server.faults.get()[0]
        if mode == "refuse" or user != account_user or password != account_password:
            self.server.stats.add("failed")
            self.send_message(token_error(18456, "Login failed for user '%s'." % user, 1, 14)
                              + token_done(0x0002, curcmd=0))
            return False
        if database.lower() != account_database.lower():
            self.send_message(token_error(4060, 'Cannot open database "%s" requested by the login. The login failed.' % database, 1, 11)
                              + token_done(0x0002, curcmd=0))
            return False
        self.db = sqlite3.connect(self.server.dbfile)
        self.database = account_database
        self.server.stats.add("logins")
        size = str(self.packet_size)
        ack_body = (b"\x01" + struct.pack(">I", 0x730B0003) + b_varchar("Microsoft SQL Server")
                    + bytes([16, 0, 0x07, 0xD0]))
        reply = (token_envchange(1, account_database, "master")
                 + token_envchange(7, COLLATION)
                 + token_envchange(2, "us_english")
                 + b"\xAD" + struct.pack("<H", len(ack_body)) + ack_body
                 + token_envchange(4, size, size)
                 + token_done(0, curcmd=0))
        self.send_message(reply)
        return True

    def batch(self, data):
        r = Reader(data)
        skip_all_headers(r)
        text = r.data[r.pos:].decode("utf-16-le", errors="replace")
        self.log("batch:", repr(text))
        stripped = text.strip().lower()
        if stripped.startswith("set ") or stripped.startswith("if @@trancount") or stripped == "":
            self.send_message(token_done(0))
            return
        self.send_message(self.answer(text, [], 0xFD))

    def rpc(self, data):
        proc, params = parse_rpc(data)
        self.log("rpc:", proc, repr(params))
        tail = b"\x79" + struct.pack("<i", 0)
        if proc == "sp_executesql":
            text = params[0][2] if params else ""
            values = [p[2] for p in params[2:]]
            reply = self.answer(text, values, 0xFF)
        elif proc in ("sp_prepexec", "sp_prepare"):
            handle = len(self.prepared) + 1
            text = params[2][2] if len(params) > 2 else ""
            self.prepared[handle] = text
            ret = (b"\xAC" + struct.pack("<H", 0) + b_varchar(params[0][0]) + b"\x01"
                   + struct.pack("<IH", 0, 0x0001) + bytes([0x26, 4, 4]) + struct.pack("<i", handle))
            values = [p[2] for p in params[3:]]
            reply = self.answer(text, values, 0xFF) if proc == "sp_prepexec" else b""
            reply = reply + ret
        elif proc == "sp_execute":
            text = self.prepared.get(params[0][2] if params else None, "")
            reply = self.answer(text, [p[2] for p in params[1:]], 0xFF)
        elif proc == "sp_unprepare":
            reply = b""
        else:
            reply = token_error(2812, "Could not find stored procedure '%s'." % proc) + token_done(0x0003, token=0xFF)
        self.send_message(reply + tail + token_done(0, token=0xFE))

    def answer(self, text, values, done_token):
        """Tokens answering one statement; inside a procedure call more tokens follow."""
        mode, column, _ = self.server.faults.get()
        more = 0x0001 if done_token == 0xFF else 0
        self.server.stats.add("statements")
        try:
            lite, args, command = match_statement(text, values, self.database)
            cur = self.db.execute(lite, args)
            if command:
                self.db.commit()
                return token_done(more, count=cur.rowcount, token=done_token)
            names = [d[0] for d in cur.description]
            rows = cur.fetchall()
            self.log("answer:", len(rows), "rows of", names)
            if mode == "drop":
                keep = [i for i, n in enumerate(names) if n.lower() != column.lower()]
                names = [names[i] for i in keep]
                rows = [[row[i] for i in keep] for row in rows]
            reply = token_colmetadata(names) + b"".join(token_row(names, row) for row in rows)
            reply += token_done(more, count=len(rows), token=done_token)
        except SqlError as e:
            self.log("error:", e.number, e.message)
            return token_error(e.number, e.message, e.state, e.severity) + token_done(more | 0x0002, token=done_token)
        except sqlite3.Error as e:
            return token_error(50000, str(e)) + token_done(more | 0x0002, token=done_token)
        if mode == "close":
            self.send_message(reply, cut=True)
        return reply


class Server:
    def __init__(self, dbfile, logfile):
        self.dbfile = dbfile
        self.faults = Faults()
        self.stats = Stats()
        self.account = (USER, PASSWORD, DATABASE)
        self.encryption = ("none", None)
        self.logfile = open(logfile, "a", encoding="utf-8") if logfile else None
        self.loglock = threading.Lock()
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)

    def restart_log(self):
        # One test's requests at a time.
        if self.logfile:
            with self.loglock:
                self.logfile.seek(0)
                self.logfile.truncate()

    def log(self, *parts):
        if self.logfile:
            with self.loglock:
                print(*parts, file=self.logfile, flush=True)

    def serve(self):
        while True:
            try:
                sock, _ = self.listener.accept()
            except OSError:
                return
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            threading.Thread(target=Session(sock, self).run, daemon=True).start()


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    # As SQL Server does for TDS 7: TLS 1.2, whose last handshake flight the pre-login still
    # carries; and no session tickets, which would arrive after it.
    context.maximum_version = ssl.TLSVersion.TLSv1_2
    context.num_tickets = 0
    context.load_cert_chain(cert, key)
    return context


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    logfile = None
    if "--log" in args:
        i = args.index("--log")
        logfile = args[i + 1]
        del args[i:i + 2]
    server = Server(args[0], logfile)
    threading.Thread(target=server.serve, daemon=True).start()
    print("port", server.listener.getsockname()[1], flush=True)
    for line in sys.stdin:
        words = line.split()
        if words and words[0] == "fault":
            server.faults.set(words[1:])
            server.log("fault", words[1:])
        elif words and words[0] == "account":
            server.account = tuple(json.loads(line.split(None, 1)[1]))
        elif words and words[0] == "encryption":
            server.encryption = (words[1], None if words[1] == "none" else tls_context(words[2], words[3]))
        elif words and words[0] == "stats":
            if words[1:] == ["reset"]:
                server.stats.reset()
            else:
                print(server.stats.line(), flush=True)
        elif words and words[0] == "db":
            server.dbfile = line.strip()[3:]
            server.restart_log()
            server.log("database", server.dbfile)
        print("ok", flush=True)
    server.listener.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
