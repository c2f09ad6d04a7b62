/* Preloaded into tst_iconv: counts iconv_open calls and, when TALLYVANE_PROBE_REFUSE names a
 * character set, refuses it as a C library without that gconv module does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <iconv.h>
#include <stdlib.h>
#include <string.h>

int tallyvane_probe_iconv_opens = 0;

iconv_t iconv_open(const char* to, const char* from)
{
    static iconv_t (*real)(const char*, const char*);
    if (!real)
        real = (iconv_t(*)(const char*, const char*))dlsym(RTLD_NEXT, "iconv_open");
    ++tallyvane_probe_iconv_opens;
    const char* refused = getenv("TALLYVANE_PROBE_REFUSE");
    if (refused && (strcmp(to, refused) == 0 || strcmp(from, refused) == 0)) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    return real(to, from);
}
