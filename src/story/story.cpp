#include "story/story.h"

#include "menu/turn_store.h"
#include "story/catalogue.h"

#include <climits>
#include <cstdlib>
#include <cstring>

StoryFlags story_flags;

const char* holes_text;
char holes_buffer[COUNTER_BUFFER_SIZE];
const char* laps_text;
char laps_buffer[COUNTER_BUFFER_SIZE];

int counter_value(const char* text) {
    if (text == nullptr)
        return 0;
    // strtol parses exactly as atoi does, but reports out-of-range values
    // as LONG_MIN/LONG_MAX instead of leaving them undefined.
    long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

char* counter_format(char* buffer, int value) {
    char scratch[COUNTER_BUFFER_SIZE];
    char* digits = scratch + sizeof scratch;
    *--digits = '\0';
    // The magnitude as unsigned, so that INT_MIN has one too.
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : value;
    do {
        *--digits = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--digits = '-';
    std::memcpy(buffer, digits, static_cast<size_t>(scratch + sizeof scratch - digits));
    return buffer;
}

char* counter_add(const char* text, char* buffer, int amount) {
    long long sum = static_cast<long long>(counter_value(text)) + amount;
    if (sum > INT_MAX)
        sum = INT_MAX;
    if (sum < INT_MIN)
        sum = INT_MIN;
    return counter_format(buffer, static_cast<int>(sum));
}

void run_story(StateId start) {
    StateId state = start;
    for (;;) {
        Step step = catalogue_perform(state);
        if (step.ending == Step::RETURN)
            return;
        if (step.ending != Step::CHOOSE) {
            state = step.next;
            continue;
        }
        state = story_hooks().choose();
        // The choice begins a new turn, whichever chooser made it.
        end_turn();
    }
}
