"""What a call raises, for tests that compare exception types and messages."""
import pytest


def error_text(call):
    """The type and the message of the exception that `call()` raises."""
    with pytest.raises(Exception) as raised:
        call()
    return type(raised.value), str(raised.value)
