// The system error code of a call that just failed.
#pragma once

// GetLastError's code, or ERROR_READ_FAULT when the failed call left none (the C
// library can fail without setting one): a failure must always carry a code, or it
// could be taken for success.
unsigned long FailureCode();
