# Sets or removes one card provider's Tessaport driver settings through tessaport-reg --json,
# which decides what changes: Ansible's check and diff modes come from its --check and the
# previous values it reports.
# Copyright: TessaportConfig contributors. Released under the MIT License.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: tessaport_settings
short_description: Sets a card provider's Tessaport driver settings
description:
  - Writes a provider's three settings with C(tessaport-reg set), only when they differ, or
    removes the provider's key with C(tessaport-reg delete).
  - Supports check mode (nothing is written) and diff mode (old and new values).
options:
  provider:
    description: The card provider, C(Advantech) or C(Adlink), in any case.
    type: str
    required: true
  cards:
    description: The number of cards, 0 to 19. Required when I(state=present).
    type: int
    choices: [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19]
  di_start:
    description: The start address of the digital inputs, 0 to 49.
    type: int
    choices: [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
              24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
              45, 46, 47, 48, 49]
  do_start:
    description: The start address of the digital outputs, 0 to 49.
    type: int
    choices: [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
              24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
              45, 46, 47, 48, 49]
  state:
    description: C(present) sets the settings, C(absent) removes the provider's key.
    type: str
    choices: [present, absent]
    default: present
  executable:
    description: The tessaport-reg to run.
    type: str
    default: tessaport-reg
  registry:
    description: Another settings file than the tool's default; empty for the default.
    type: str
    default: ""
"""

EXAMPLES = r"""
- name: Three Advantech cards, inputs from 10, outputs from 20
  tessaport_settings:
    provider: Advantech
    cards: 3
    di_start: 10
    do_start: 20
"""

RETURN = r"""
status:
  description: The tool's word for what it did, such as C(changed), C(unchanged) or C(would change).
  returned: always
  type: str
previous:
  description: The values stored before, by registry name; null where there was none.
  returned: when state is present
  type: dict
"""

import json

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.arg_spec import ArgumentSpecValidator

PROVIDERS = ("Advantech", "Adlink")
# Each setting and its registry value name.
FIELDS = (("cards", "NumberOfCards"), ("di_start", "PIIBeginAddress"),
          ("do_start", "PIQBeginAddress"))
# The settings' own argument rules, checked once the provider is known, so that a message names
# the provider as well as the setting and its value.
SETTINGS_SPEC = dict(
    cards=dict(type="int", required=True, choices=list(range(20))),
    di_start=dict(type="int", required=True, choices=list(range(50))),
    do_start=dict(type="int", required=True, choices=list(range(50))),
)
CHANGED = ("changed", "would change", "deleted", "would delete")
UNCONFIRMED = 5


def checked_settings(module, provider):
    """The three settings by registry name, or a failure that names the provider."""
    given = dict((option, module.params[option]) for option, _ in FIELDS
                 if module.params[option] is not None)
    # A bool is an int to Python, and true would pass for 1.
    for option, value in given.items():
        if isinstance(value, bool):
            module.fail_json(msg="%s: %s must be a whole number, not %s"
                             % (provider, option, json.dumps(value)))
    result = ArgumentSpecValidator(SETTINGS_SPEC).validate(given)
    if result.error_messages:
        module.fail_json(msg="%s: %s" % (provider, "; ".join(result.error_messages)))
    return dict((name, result.validated_parameters[option]) for option, name in FIELDS)


def values_text(values):
    return "".join("%s=%s\n" % (name, values[name]) for _, name in FIELDS
                   if values.get(name) is not None)


def run_tool(module, arguments):
    command = [module.params["executable"]] + arguments
    environment = {}
    if module.params["registry"]:
        environment["TESSAPORT_REGISTRY"] = module.params["registry"]
    status, out, err = module.run_command(command, environ_update=environment)
    try:
        document = json.loads(out)
    except ValueError:
        module.fail_json(msg="%s printed no JSON (exit status %d): %s"
                         % (command[0], status, err.strip() or out.strip()),
                         rc=status, changed=False)
    return status, document


def main():
    module = AnsibleModule(
        argument_spec=dict(
            provider=dict(type="str", required=True),
            # Checked below, so that the message names the provider and the value.
            cards=dict(type="raw"),
            di_start=dict(type="raw"),
            do_start=dict(type="raw"),
            state=dict(type="str", default="present", choices=["present", "absent"]),
            executable=dict(type="str", default="tessaport-reg"),
            registry=dict(type="str", default=""),
        ),
        supports_check_mode=True,
    )
    params = module.params
    provider = next((p for p in PROVIDERS if p.lower() == params["provider"].lower()), None)
    if provider is None:
        module.fail_json(msg="unknown provider %r: one of %s" % (params["provider"],
                                                                 ", ".join(PROVIDERS)))
    check = ["--check"] if module.check_mode else []
    if params["state"] == "present":
        wanted = checked_settings(module, provider)
        arguments = ["set", "--json"] + check + ["--", provider] + [
            str(wanted[name]) for _, name in FIELDS]
    else:
        arguments = ["delete", "--json"] + check + ["--", provider]
        if module._diff:
            before = run_tool(module, ["get", "--json", "--", provider])[1].get(provider, {})

    status, document = run_tool(module, arguments)
    entry = document.get(provider, document)
    word = entry.get("status", "")
    result = dict(provider=provider, status=word, rc=status)
    message = "%s: %s" % (provider, entry.get("message", word))
    if status not in (0, UNCONFIRMED):
        module.fail_json(msg=message, changed=False, **result)
    if status == UNCONFIRMED:
        module.warn(message)
    result["changed"] = word in CHANGED or status == UNCONFIRMED
    if params["state"] == "present":
        result["previous"] = entry.get("previous", {})
        before, after = result["previous"], wanted
    else:
        after = {}
    if module._diff:
        result["diff"] = dict(before=values_text(before), after=values_text(after),
                              before_header="%s (before)" % provider,
                              after_header="%s (after)" % provider)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
