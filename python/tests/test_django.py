"""pwdpolicy.django.PolicyValidator in a Django project, through Django's own
validate_password and help texts."""

import django
import pytest
from django.conf import settings

from conftest import P

settings.configure(
    INSTALLED_APPS=["django.contrib.auth", "django.contrib.contenttypes"],
    AUTH_PASSWORD_VALIDATORS=[{
        "NAME": "pwdpolicy.django.PolicyValidator",
        "OPTIONS": {"policy": 0, "policy_attribute": "password_policy", "special_check": True},
    }],
)
django.setup()

from django.contrib.auth import get_user_model  # noqa: E402 (needs the settings)
from django.contrib.auth.password_validation import (password_validators_help_texts,  # noqa: E402
                                                     validate_password)
from django.core.exceptions import ValidationError  # noqa: E402

pytestmark = pytest.mark.usefixtures("config")


def user(policy):
    account = get_user_model()(username="quokka")
    account.password_policy = policy
    return account


@pytest.mark.parametrize("password, account, codes", [
    (P.strong, None, []),
    (P.short, None, ["password_too_short"]),
    (P.one_class, None, ["password_too_few_classes"]),
    (P.too_long, None, ["password_too_long"]),
    (P.weak, None, ["password_too_common"]),
    ("password", None, ["password_too_few_classes", "password_too_common"]),
    (P.strong, user(1), ["password_bad_character"]),  # policy 1 allows only ! and #
    (P.strong, user(None), []),
    ("Quokka-Blue-42", user(3), ["password_too_similar"]),  # policy 3 checks the user name
])
def test_validate_password(password, account, codes):
    try:
        validate_password(password, account)
        refused = []
    except ValidationError as error:
        refused = [item.code for item in error.error_list]
    assert refused == codes


def test_messages_name_the_policy_limits():
    with pytest.raises(ValidationError) as short:
        validate_password(P.short)
    with pytest.raises(ValidationError) as staff:
        validate_password(P.strong, user(1))
    assert short.value.messages + staff.value.messages == [
        "This password is too short. It must contain at least 8 characters.",
        "This password contains a character that is not allowed. "
        "The special characters allowed are: !#"]


def test_help_text_comes_from_the_policy():
    assert password_validators_help_texts() == [
        "Your password must be 8 to 32 characters long and mix at least 3 kinds of character "
        "of these: lower-case letters, upper-case letters, digits and special characters. "
        "The special characters allowed are: ~!#$%^&*()-_=+\\|[{}]:,<.>?  "
        "It must not be a commonly used password."]
