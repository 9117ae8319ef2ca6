/* A stand-in for a 32-bit JVM's java.exe and javaw.exe under wine.
 *   probe   "... TestJvm DIR" writes DIR\jvmGood.txt with FAKEJAVA_VERSION
 *           (else 1.8.0_392) when TestJvm.class is in the working directory
 *   wizard  any other main class: the arguments, one a line in UTF-8, go to
 *           the file FAKEJAVA_RECORD names; "__qrlwizard.sem" is created in
 *           the working directory when FAKEJAVA_WIZARD is "ok" */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

static void writeUtf8(FILE *f, const wchar_t *s) {
    char buf[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, buf, sizeof buf, NULL, NULL);
    if (n > 0) fputs(buf, f);
}

int wmain(int argc, wchar_t **argv) {
    const wchar_t *version = _wgetenv(L"FAKEJAVA_VERSION");
    int i;
    if (!version) version = L"1.8.0_392";
    for (i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"-version") == 0) {
            fwprintf(stderr, L"java version \"%ls\"\n", version);
            return 0;
        }
        if (wcscmp(argv[i], L"TestJvm") == 0) {
            wchar_t path[MAX_PATH * 2];
            FILE *f;
            if (GetFileAttributesW(L"TestJvm.class") == INVALID_FILE_ATTRIBUTES) return 1;
            swprintf(path, sizeof path / sizeof path[0], L"%ls\\jvmGood.txt", i + 1 < argc ? argv[i + 1] : L".");
            f = _wfopen(path, L"wb");
            if (!f) return 1;
            writeUtf8(f, version);
            fputs("\n", f);
            fclose(f);
            return 0;
        }
    }
    {
        const wchar_t *record = _wgetenv(L"FAKEJAVA_RECORD");
        const wchar_t *wizard = _wgetenv(L"FAKEJAVA_WIZARD");
        if (record) {
            FILE *f = _wfopen(record, L"wb");
            if (f) {
                for (i = 0; i < argc; ++i) {
                    writeUtf8(f, argv[i]);
                    fputs("\n", f);
                }
                fclose(f);
            }
        }
        if (wizard && wcscmp(wizard, L"ok") == 0) {
            FILE *f = _wfopen(L"__qrlwizard.sem", L"wb");
            if (f) fclose(f);
        }
    }
    return 0;
}
