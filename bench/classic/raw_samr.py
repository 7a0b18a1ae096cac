"""The smallest raw SAMR read of what a USERS browse shows: one sealed connection;
enumerate the normal accounts, then open, query level 21 and close each.

raw_samr.py AUTH-FILE SERVER ROUNDS: prints the count and the best time in seconds."""
import sys
import time

from samba import credentials, param
from samba.dcerpc import lsa, samr, security

auth_file, server, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
lp = param.LoadParm()
lp.load_default()
auth = dict(line.strip().split("=", 1) for line in open(auth_file) if "=" in line)
creds = credentials.Credentials()
creds.guess(lp)
creds.set_username(auth["username"])
creds.set_password(auth["password"])
creds.set_domain(auth["domain"])


def read():
    conn = samr.samr("ncacn_np:%s[seal]" % server, lp, creds)
    handle = conn.Connect2(None, security.SEC_FLAG_MAXIMUM_ALLOWED)
    sid = conn.LookupDomain(handle, lsa.String(auth["domain"]))
    domain = conn.OpenDomain(handle, security.SEC_FLAG_MAXIMUM_ALLOWED, sid)
    resume, rids = 0, []
    while True:
        resume, sam, count = conn.EnumDomainUsers(domain, resume, samr.ACB_NORMAL, 0xFFFFFFFF)
        rids += [entry.idx for entry in (sam.entries or [])]
        if count == 0 or resume == 0:
            break
    for rid in rids:
        user = conn.OpenUser(domain, security.SEC_FLAG_MAXIMUM_ALLOWED, rid)
        conn.QueryUserInfo(user, 21)
        conn.Close(user)
    return len(rids)


best, count = None, 0
for _ in range(rounds):
    start = time.perf_counter()
    count = read()
    seconds = time.perf_counter() - start
    best = seconds if best is None else min(best, seconds)
print(count, best)
