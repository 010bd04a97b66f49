"""A password validator for Django's AUTH_PASSWORD_VALIDATORS.

    AUTH_PASSWORD_VALIDATORS = [
        {"NAME": "pwdpolicy.django.PolicyValidator",
         "OPTIONS": {"policy": 0}},
    ]

Options, all optional:

policy            the policy id (default 0)
policy_attribute  the name of an attribute of the user; where the user has
                  it and it is not None, its value is the policy id for that
                  user (staff on a stricter policy, say). Without a user, or
                  for new users who lack it, policy holds.
special_check     True: only the policy's special characters are allowed
                  besides ASCII letters and digits (default False: every
                  other character counts as special)
dictionary        False: do not refuse passwords of the weak-password
                  dictionary and breach table (default True)
context           further words a password must not be or contain, such as
                  the site's name (used when the policy sets contextCheck=1,
                  with the user's username, first and last name and email)

A password that breaks a rule gets one ValidationError per broken rule, in
Django's manner (codes password_too_short, password_too_long,
password_too_few_classes, password_bad_character, password_too_common,
password_too_similar, password_repeated_characters,
password_sequential_characters, password_invalid). An
error of the library itself (no configuration, no such policy) is raised as
it is: the validator never lets a password through because it could not judge
it.
"""

from typing import Any, Iterable, List, Optional

from django.core.exceptions import ValidationError
from django.utils.translation import gettext, ngettext

from . import _pwdpolicy
from ._types import Policy, Reason, Verdict

CLASSES = "lower-case letters, upper-case letters, digits and special characters"


class PolicyValidator:
    """Refuses passwords that break a PwdPolicy policy or are weak."""

    def __init__(self, policy: int = 0, policy_attribute: Optional[str] = None,
                 special_check: bool = False, dictionary: bool = True,
                 context: Iterable[str] = ()) -> None:
        self.policy = policy
        self.policy_attribute = policy_attribute
        self.special_check = special_check
        self.dictionary = dictionary
        self.context = list(context)

    def policy_for(self, user: Any = None) -> int:
        """The policy id that applies to user (None: the policy option)."""
        if self.policy_attribute and user is not None:
            chosen = getattr(user, self.policy_attribute, None)
            if chosen is not None:
                return int(chosen)
        return self.policy

    def validate(self, password: str, user: Any = None) -> None:
        policy_id = self.policy_for(user)
        judgement = _pwdpolicy.judge(password, policy_id, self.special_check,
                                     user=_text(user, "get_username"), full_name=_full_name(user),
                                     context=[*self.context, *filter(None, [_text(user, "email")])])
        errors: List[ValidationError] = []
        for reason in judgement.reasons:
            if reason in (Reason.WEAK, Reason.BREACHED):
                if self.dictionary and not any(e.code == "password_too_common" for e in errors):
                    errors.append(ValidationError(gettext("This password is too common."),
                                                  code="password_too_common"))
            elif reason <= Reason.BAD_SPECIAL_CHAR:
                errors.append(_refusal(Verdict(reason), _pwdpolicy.get_policy(policy_id)))
            else:
                errors.append(ValidationError(gettext(_OTHER_REASONS[reason][1]),
                                              code=_OTHER_REASONS[reason][0]))
        if errors:
            raise ValidationError(errors)

    def get_help_text(self) -> str:
        policy = _pwdpolicy.get_policy(self.policy)
        params = {"min_length": policy.min_length, "max_length": policy.max_length,
                  "min_classes": policy.min_classes, "classes": CLASSES}
        text = ngettext(
            "Your password must be %(min_length)d to %(max_length)d characters long and mix "
            "at least %(min_classes)d kind of character of these: %(classes)s.",
            "Your password must be %(min_length)d to %(max_length)d characters long and mix "
            "at least %(min_classes)d kinds of character of these: %(classes)s.",
            policy.min_classes) % params
        if self.special_check:
            text += " " + _special_chars_text(policy)
        if self.dictionary:
            text += " " + gettext("It must not be a commonly used password.")
        return text


_OTHER_REASONS = {
    Reason.INVALID_UTF8: ("password_invalid", "This password is not valid text."),
    Reason.REPEATED_CHARS: ("password_repeated_characters",
                            "This password repeats a character too many times in a row."),
    Reason.SEQUENTIAL_CHARS: ("password_sequential_characters",
                              "This password holds too long a run of consecutive characters."),
    Reason.EQUALS_CONTEXT: ("password_too_similar",
                            "The password is too similar to your name or to this site."),
    Reason.CONTAINS_CONTEXT: ("password_too_similar",
                              "The password is too similar to your name or to this site."),
    Reason.EQUALS_OLD: ("password_too_similar", "The password is too similar to the old one."),
    Reason.TOO_CLOSE_TO_OLD: ("password_too_similar", "The password is too similar to the old one."),
}


def _text(user: Any, attribute: str) -> Optional[str]:
    """user.attribute(), or user.attribute, as a non-empty str; None otherwise."""
    value = getattr(user, attribute, None) if user is not None else None
    value = value() if callable(value) else value
    return str(value) if value else None


def _full_name(user: Any) -> Optional[str]:
    names = [_text(user, "first_name"), _text(user, "last_name")]
    return " ".join(name for name in names if name) or None


def _special_chars_text(policy: Policy) -> str:
    if not policy.special_chars:
        return gettext("Only letters and digits are allowed.")
    return gettext("The special characters allowed are: %(special_chars)s") % {
        "special_chars": policy.special_chars}


def _refusal(verdict: Verdict, policy: Policy) -> ValidationError:
    if verdict is Verdict.TOO_SHORT:
        return ValidationError(
            ngettext("This password is too short. It must contain at least %(min_length)d character.",
                     "This password is too short. It must contain at least %(min_length)d characters.",
                     policy.min_length),
            code="password_too_short", params={"min_length": policy.min_length})
    if verdict is Verdict.TOO_LONG:
        return ValidationError(
            ngettext("This password is too long. It must contain at most %(max_length)d character.",
                     "This password is too long. It must contain at most %(max_length)d characters.",
                     policy.max_length),
            code="password_too_long", params={"max_length": policy.max_length})
    if verdict is Verdict.TOO_FEW_CLASSES:
        return ValidationError(
            ngettext("This password must mix at least %(min_classes)d kind of character of these: "
                     "%(classes)s.",
                     "This password must mix at least %(min_classes)d kinds of character of these: "
                     "%(classes)s.",
                     policy.min_classes),
            code="password_too_few_classes",
            params={"min_classes": policy.min_classes, "classes": CLASSES})
    return ValidationError(
        gettext("This password contains a character that is not allowed. %(allowed)s"),
        code="password_bad_character", params={"allowed": _special_chars_text(policy)})
