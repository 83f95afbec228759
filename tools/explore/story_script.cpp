#include "story_script.h"

#include <algorithm>

namespace {

// The paragraph writer ends every said text with an erase to the end of the
// line, and the trace's width never wraps: so the output splits into the
// said texts there, each after its joining space or paragraph break.
const std::string TEXT_END = "\x1b[K";

bool is_number(const std::string& text) {
    size_t digits = text.starts_with('-') ? 1 : 0;
    return text.size() > digits && std::all_of(text.begin() + static_cast<long>(digits), text.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
}

// Which of the counts a said number is, as bits; 0 for none.
unsigned count_bits(const std::string& text, const Moment& moment) {
    if (!is_number(text))
        return 0;
    int value = std::stoi(text);
    return (value == moment.holes ? SAYS_HOLES : 0) | (value == moment.laps ? SAYS_LAPS : 0);
}

// The lines of one state's output; count_is takes the bits of the counts
// its numbers matched.
std::vector<ScriptLine> said_lines(const std::string& output, const Moment& moment,
                                   unsigned& count_is) {
    std::vector<ScriptLine> lines;
    size_t at = 0;
    for (size_t end; (end = output.find(TEXT_END, at)) != std::string::npos;
         at = end + TEXT_END.size()) {
        size_t text_at = output.find_first_not_of(" \n", at);
        if (output.find('\n', at) < text_at)
            lines.push_back({ScriptLine::PARAGRAPH, ""});
        std::string text = output.substr(text_at, end - text_at);
        if (unsigned bits = count_bits(text, moment)) {
            count_is &= bits;
            lines.push_back({ScriptLine::COUNT, ""});
        } else {
            lines.push_back({ScriptLine::TEXT, text});
        }
    }
    return lines;
}

// Adds the items of seen that into lacks, keeping the order of both: a new
// item goes before the next item of seen that into holds further on, or
// else at the end.
template <typename T>
void merge_in_order(std::vector<T>& into, const std::vector<T>& seen) {
    auto position = [&into](const T& item) {
        return static_cast<size_t>(std::find(into.begin(), into.end(), item) - into.begin());
    };
    size_t after = 0; // just past the last known item of seen so far
    for (size_t i = 0; i < seen.size(); i++) {
        if (size_t known = position(seen[i]); known < into.size()) {
            after = known + 1;
            continue;
        }
        size_t at = into.size();
        for (size_t j = i + 1; j < seen.size() && at == into.size(); j++) {
            if (size_t next = position(seen[j]); next < into.size())
                at = next >= after ? next : into.size();
        }
        into.insert(into.begin() + static_cast<long>(at), seen[i]);
        after = at + 1;
    }
}

// "67 GET_UP"
std::string state_title(StateId state) {
    const char* name = catalogue_state_name(state);
    return std::to_string(state) + " " + (name ? name : "(no state)");
}

std::string count_name(unsigned count_is) {
    if (count_is == SAYS_HOLES)
        return "holes_text";
    if (count_is == SAYS_LAPS)
        return "laps_text";
    return "holes_text or laps_text";
}

// A state's section: its number and name, what it says, then the options it
// offers with the states they lead to.
std::string state_section(StateId state, const ScriptState& seen) {
    std::string text = "\n";
    text += state_title(state) + "\n";
    if (!seen.performed)
        return text + "    (never performed)\n";
    for (StateId scene : seen.scenes_begun)
        text += "    begins " + state_title(scene) + "\n";
    for (const ScriptLine& line : seen.lines) {
        if (line.kind == ScriptLine::PARAGRAPH)
            text += "    (new paragraph)\n";
        else if (line.kind == ScriptLine::COUNT)
            text += "    says   <" + count_name(seen.count_is) + ">\n";
        else
            text += "    says   " + line.text + "\n";
    }
    for (const ScriptOption& option : seen.options)
        text += "    offers \"" + option.label + "\" -> " + state_title(option.state) + "\n";
    if (seen.scenes_begun.empty() && seen.lines.empty() && seen.options.empty())
        text += "    (says nothing, offers nothing)\n";
    return text;
}

} // namespace

void script_note(StoryScript& script, const Trace& trace) {
    const std::vector<Moment>& moments = trace.moments;
    for (size_t i = 0; i < moments.size(); i++) {
        const Moment& m = moments[i];
        if (!catalogue_has_state(m.state))
            continue;
        ScriptState& state = script.states[m.state];
        state.performed++;
        bool last = i + 1 == moments.size();
        if (!last && moments[i + 1].scene_begins)
            state.scenes_begun.insert(moments[i + 1].state);
        size_t end = last ? trace.text.size() : moments[i + 1].text_at;
        merge_in_order(state.lines, said_lines(trace.text.substr(m.text_at, end - m.text_at), m,
                                               state.count_is));
        std::vector<ScriptOption> options;
        for (const Offer& offer : trace.offers) {
            if (offer.moment == i)
                options.push_back({offer.label, offer.state});
        }
        merge_in_order(state.options, options);
    }
}

std::string script_text(const StoryScript& script) {
    std::string text =
        "vakna: the whole script, as the story explorer played it. Under each state's\n"
        "number and name: the scene it begins, the texts it says and the options it\n"
        "offers, with the state each option leads to; a state that says one thing or\n"
        "another under different flags lists both. `make story-script` writes it again.\n";
    for (StateId state = 1; state <= HIGHEST_STATE; state++)
        text += state_section(state, script.states[state]);
    return text;
}
