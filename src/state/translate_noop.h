#pragma once
// Marks a text for Qt's translation tools (lupdate) without tying this code to
// Qt: the text stays as written here, and the front end looks up its
// translation where it shows the text. Defined exactly as Qt defines it, so
// either definition may come first.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
