"""Compiles a rule once, evaluates it on a few dicts, and reads and replaces
a value by path."""
import korvel

rule = korvel.Exp("user.age >= 18 && contains(user.roles, 'admin')")
for user in (
    {"age": 30, "roles": ["admin", "dev"]},
    {"age": 30, "roles": ["dev"]},
    {"age": 15, "roles": ["admin"]},
):
    print(f"{user} -> {rule.eval({'user': user})}")

greeting = korvel.Exp("format('{0} has {1} roles', user.name, len(user.roles))")
print(greeting.eval({"user": {"name": "Ada", "roles": ["admin", "dev"]}}))

try:
    rule.eval({})
except NameError as error:
    print(f"NameError: {error}")

path = korvel.VarAccess("user.roles[0]")
document = {"user": {"name": "Ada", "roles": ["admin", "dev"]}}
print(path.access(document))
print(path.replace(document, "owner"))
