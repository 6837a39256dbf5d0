// Resource ids shared by the resource script and the code that loads the resources.
#pragma once

#define IDI_NIMBREL_ICON 145
#define IDR_SKIN_ARCHIVE 147
#define SKIN_ARCHIVE_TYPE "ZIPRES"
