#include "session/messages.h"

#include <climits>
#include <clocale>
#include <cstring>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

constexpr const char* TEXT_DOMAIN = "vakna";

static bool is_folder(const char* path) {
    struct stat found;
    return stat(path, &found) == 0 && S_ISDIR(found.st_mode);
}

// The folder of the catalogues, or false when the game cannot tell where it
// is itself.
static bool find_catalogues(char (&folder)[PATH_MAX]) {
    ssize_t length = readlink("/proc/self/exe", folder, sizeof folder);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof folder))
        return false;
    folder[length] = '\0';
    char* name = std::strrchr(folder, '/');
    size_t room = folder + sizeof folder - name;
    if (std::strlen("/../share/locale") >= room)
        return false;
    std::strcpy(name, "/locale");
    if (!is_folder(folder))
        std::strcpy(name, "/../share/locale");
    return true;
}

// The messages' category from the environment, every other category the C
// locale's, as the game has them: the story's bytes, widths and keys are
// the same in every locale. The locale is the thread's own, since a static
// game would keep no name for a category it never uses when set globally.
static void messages_begin() {
    locale_t messages = newlocale(LC_MESSAGES_MASK, "", nullptr);
    if (messages == nullptr)
        return;
    uselocale(messages);
    char folder[PATH_MAX];
    if (find_catalogues(folder))
        bindtextdomain(TEXT_DOMAIN, folder);
    // UTF-8 whatever the character type, as the story is written; the C
    // library's own messages (strerror's) too.
    bind_textdomain_codeset(TEXT_DOMAIN, "UTF-8");
    bind_textdomain_codeset("libc", "UTF-8");
}

static void messages_begin_once() {
    static bool begun = false;
    if (!begun)
        messages_begin();
    begun = true;
}

const char* messages_translate(const char* text) {
    messages_begin_once();
    return dgettext(TEXT_DOMAIN, text);
}

const char* messages_error(int error) {
    messages_begin_once();
    return std::strerror(error);
}
