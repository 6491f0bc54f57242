#pragma once

#define IDR_DEFAULT_CURSOR 100  // the cursor a character without cursor.cur gets
