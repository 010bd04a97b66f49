"""The Django validator in the smallest project: judges the passwords given
(or two samples) with Django's own validate_password.

    /usr/bin/python3 python/examples/django_example.py [PASSWORD...]

In a real project the AUTH_PASSWORD_VALIDATORS entry goes in settings.py.
"""

import sys

import django
from django.conf import settings

settings.configure(AUTH_PASSWORD_VALIDATORS=[
    {"NAME": "pwdpolicy.django.PolicyValidator", "OPTIONS": {"policy": 0}},
])
django.setup()

from django.contrib.auth.password_validation import (  # noqa: E402 (needs the settings)
    password_validators_help_texts, validate_password)
from django.core.exceptions import ValidationError  # noqa: E402

print(*password_validators_help_texts())
for password in sys.argv[1:] or ["Blue-Kettle-42", "password"]:
    try:
        validate_password(password)
        print(f"{password}: accepted")
    except ValidationError as refusal:
        print(f"{password}: refused:", " ".join(refusal.messages))
