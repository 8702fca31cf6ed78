#pragma once

// Makes the C library read and write multibyte text as UTF-8 when the
// environment's locale has another character set (LANG=C from cron, ssh or a
// service): the media library converts file names through it, and a
// non-ASCII name would otherwise not open. Only LC_CTYPE changes: messages,
// numbers and dates keep the user's locale. Called in main, after the Qt
// application (which reads the environment's locale) and before any file is
// probed.
void UseUtf8CharacterType();
