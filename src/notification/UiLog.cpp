#include "notification/UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "sweepwise.ui")
