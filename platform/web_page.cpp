// The C++ side of programs/web/page.js: each call hands over to the page's own function.
#include "platform/web_page.h"

#include <emscripten/emscripten.h>

EM_JS(void, PageSay, (const char* sentence), { Module.page.say(UTF8ToString(sentence)); });
EM_JS(void, PageFail, (const char* sentence), { Module.page.fail(UTF8ToString(sentence)); });
EM_JS(void, PageNotice, (const char* sentence, bool error), {
    Module.page.notice(sentence ? UTF8ToString(sentence) : null, !!error);
});
EM_JS(void, PageReady, (), { Module.page.ready(); });
EM_JS(void, PageAsk, (int kind), { Module.page.ask(kind); });
EM_JS(void, PageNewCanvas, (), { Module.page.newCanvas(); });
EM_JS(void, PagePlaying, (), { Module.page.playing(); });
EM_JS(void, PageLayout, (), { Module.page.layout(); });
EM_JS(void, PageHideCursor, (bool hide), { Module.page.hideCursor(!!hide); });
EM_JS(bool, PageHidden, (), { return document.hidden; });
EM_JS(void, PageLeaveFullscreen, (), { Module.page.leaveFullscreen(); });
EM_JS(void, PagePixels, (bool box, int* width, int* height), {
    var size = Module.page.pixels(!!box);
    HEAP32[width >> 2] = size[0];
    HEAP32[height >> 2] = size[1];
});
