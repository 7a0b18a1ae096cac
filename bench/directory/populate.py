# Accounts for the directory route's tests ("tests") and benchmark ("bulk"), written
# straight into the controller's database in one transaction.
import base64
import sys
import time

import ldb
from samba.auth import system_session
from samba.param import LoadParm
from samba.samdb import SamDB

PASSWORD = "Vellox-Dir-Test-1a"
GLOBAL, DOMAIN_LOCAL = "-2147483646", "-2147483644"
NORMAL, DISABLED, DONT_EXPIRE, WORKSTATION = 0x200, 0x2, 0x10000, 0x1000
BIG_GROUP_MEMBERS = 1600


def nt_time(unix_seconds):
    return str(int(unix_seconds) * 10000000 + 116444736000000000)


def password_value(text):
    return ('"%s"' % text).encode("utf-16-le")


lp = LoadParm()
lp.load(sys.argv[1])
mode = sys.argv[2]
sam = SamDB(url=lp.samdb_url(), session_info=system_session(), lp=lp)
base = sam.domain_dn()
users_ou = "CN=Users," + base


def find(name):
    res = sam.search(base=base, scope=ldb.SCOPE_SUBTREE, attrs=["dn"],
                     expression="(sAMAccountName=%s)" % ldb.binary_encode(name))
    return str(res[0].dn) if len(res) else None


def put(name, attrs, object_class="user", container=users_ou):
    """Creates the account or puts the given attributes back."""
    dn = find(name)
    if dn is None:
        dn = "CN=%s,%s" % (name.rstrip("$"), container)
        msg = {"dn": dn, "objectClass": object_class, "sAMAccountName": name}
        if object_class == "user":
            msg["unicodePwd"] = password_value(PASSWORD)
        for key, value in attrs.items():
            if value is not None and key != "member":
                msg[key] = value
        sam.add(msg)
    msg = ldb.Message()
    msg.dn = ldb.Dn(sam, dn)
    for key, value in attrs.items():
        values = [] if value is None else (value if isinstance(value, list) else [value])
        msg[key] = ldb.MessageElement(values, ldb.FLAG_MOD_REPLACE, key)
    if len(msg) > 0:
        sam.modify(msg)
    return dn


def contact(name):
    """A contact: an object a group may hold that has no account name."""
    dn = "CN=%s,%s" % (name, users_ou)
    if not len(sam.search(base=users_ou, scope=ldb.SCOPE_ONELEVEL, attrs=["dn"],
                          expression="(&(objectClass=contact)(cn=%s))" % ldb.binary_encode(name))):
        sam.add({"dn": dn, "objectClass": "contact", "description": "A contact, no account"})
    return dn


def user(full_name, comment="", flags=NORMAL, expires="9223372036854775807", pwd_last_set="-1",
         profile=None, script=None, lockout="0", logons=None):
    attrs = {"displayName": full_name, "description": comment or None, "userAccountControl": str(flags),
             "accountExpires": expires, "pwdLastSet": pwd_last_set, "profilePath": profile,
             "scriptPath": script, "lockoutTime": lockout}
    return attrs


def marker(token):
    """A contact whose description names the folder's controller: a test that reads it
    back knows that it talks to the controller it filled."""
    dn = contact("dx.marker")
    msg = ldb.Message()
    msg.dn = ldb.Dn(sam, dn)
    msg["description"] = ldb.MessageElement([token], ldb.FLAG_MOD_REPLACE, "description")
    sam.modify(msg)


def tests():
    now = time.time()
    users = {
        "dx.plain": user("Plain Dir User", "An ordinary account"),
        "dx.indirect": user("Indirect Member", "In dx-local only through dx-staff"),
        "dx.noexpire": user("Never Expires", "accountExpires at its largest value"),
        "dx.zeroexpire": user("Zero Expires", "accountExpires 0", expires="0"),
        "dx.expires": user("Expiring User", "Expires 2030-06-30", expires=nt_time(1909008000)),
        "dx.disabled": user("Disabled User", "Switched off", flags=NORMAL | DISABLED),
        "dx.pwnever": user("Password Never Expires", "", flags=NORMAL | DONT_EXPIRE),
        "dx.mustchange": user("Must Change", "Must change at next logon", pwd_last_set="0"),
        "dx.profile": user("Profile User", "Roaming profile", profile=r"\\dc1\profiles\dx.profile",
                           script="logon.cmd"),
        "dx.emptyprofile": user("Empty Profile", "profilePath absent"),
        "dx.locked": user("Locked User", "Locked out", lockout=nt_time(now)),
        "dx.flags": user("Flag Writer", "Flags written by the tests"),
        "dx.writer": user("Writer Original", "Rewritten by the tests"),
        "dx.password": user("Password Changer", "Password set by the tests"),
        "dx.member": user("Member Writer", "Membership written by the tests"),
    }
    for name, attrs in users.items():
        put(name, attrs)
    # The password of dx.password back to the known one (a test changes it).
    msg = ldb.Message()
    msg.dn = ldb.Dn(sam, find("dx.password"))
    msg["unicodePwd"] = ldb.MessageElement(password_value(PASSWORD), ldb.FLAG_MOD_REPLACE, "unicodePwd")
    sam.modify(msg)
    for i in range(BIG_GROUP_MEMBERS):
        name = "dx.big%04d" % i
        if find(name) is None:
            put(name, user("Big Member %d" % i))
    put("DXWS1$", {"userAccountControl": str(WORKSTATION), "description": "Directory test workstation"},
        object_class="computer", container="CN=Computers," + base)
    groups = {
        "dx-staff": (GLOBAL, "Staff (global)", ["dx.plain", "dx.indirect"]),
        "dx-local": (DOMAIN_LOCAL, "Domain-local group", ["dx.plain", "dx-staff"]),
        "dx-writes": (GLOBAL, "Changed by the tests", []),
        "dx-local-writes": (DOMAIN_LOCAL, "Domain-local changed by the tests", []),
        "dx-big": (GLOBAL, "More than 1,500 members", ["dx.big%04d" % i for i in range(BIG_GROUP_MEMBERS)]),
        "dx-nest": (GLOBAL, "A global group and a contact", ["dx-staff", contact("dx.contact")]),
    }
    for name, (kind, description, _) in groups.items():
        put(name, {"groupType": kind, "description": description}, object_class="group")
    for name, (_, _, members) in groups.items():
        put(name, {"member": [m if m.startswith("CN=") else find(m) for m in members] or None}, object_class="group")


def bulk():
    for i in range(10000):
        put("bulk.u%05d" % i, user("Bulk User %05d" % i, "Benchmark account %d" % i,
                                   profile=(r"\\dc1\profiles\bulk.u%05d" % i) if i % 3 == 0 else None,
                                   script="logon.cmd" if i % 2 else None))
    names = ["bulk.u%05d" % i for i in range(10000)]
    for g in range(1000):
        members = [find(names[(g * 7 + k * 131) % 10000]) for k in range(5)]
        put("bulk.g%04d" % g, {"groupType": GLOBAL, "description": "Benchmark group %d" % g,
                               "member": members}, object_class="group")


def lock(name):
    put(name, {"lockoutTime": nt_time(time.time())})


sam.transaction_start()
try:
    if mode == "tests":
        tests()
        marker(sys.argv[3])
    elif mode == "bulk":
        bulk()
    else:
        lock(sys.argv[3])
except Exception:
    sam.transaction_cancel()
    raise
sam.transaction_commit()
print("populate: %s ready" % mode, file=sys.stderr)
