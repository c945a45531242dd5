// Resource names and control ids of the setup dialogs (shared by the
// resource script and the code).
#pragma once

#define SETUP_ID_STATUS 3002
#define SETUP_ID_LICENCE_TEXT 2002
#define SETUP_ID_LICENCE_PROMPT 2004
