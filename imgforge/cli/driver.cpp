#include "cli/driver.h"

#include "cli/options.h"
#include "cli/scanner.h"
#include "common/format.h"
#include "compose/batch.h"
#include "dump/dispatch.h"
#include "dump/raw.h"
#include "dump/tags.h"
#include "fatal.h"
#include "image/input.h"
#include "image/output.h"
#include "image/split.h"
#include "otp/hw_cfg.h"
#include "report/check.h"
#include "report/json.h"

#include <cstdio>

namespace imgforge {

namespace {

// -X only makes sense with -N or the help of -w.
void check_hide_rule(const run_options &o)
{
    if (!show_int_hw_cfg && !o.show_hw_cfg && !o.json && !(o.help_opt && o.help_opt[0] == 'w')) {
        std::fprintf(stderr, "ERROR: -X specified without -N or -Hw\n");
        die(EXIT_USAGE);
    }
}

void final_phase(const run_options &o)
{
    check_hide_rule(o);
    if (o.help_opt) {
        show_option_help(o.help_opt);
        return;
    }
    if (o.list_tags) {
        list_tags();
        return;
    }
    if (o.json) {
        write_json(o.output_location, o.check);
        return;
    }
    if (o.check) {
        check_report report = check_image();
        print_check_report(report);
        if (!report.problems.empty())
            die(EXIT_PROBLEMS);
        return;
    }
    if (o.batch) {
        write_batch(o.batch, o.split_dir, o.output_full);
        return;
    }
    if (o.output_location && !o.pretty_dump && !o.output_binary)
        std::fprintf(stderr, "WARNING: -o specified without -p or -b\n");
    if (o.dump) {
        if (o.show_hw_cfg)
            print_hw_cfg(get_hw_cfg(hw_cfg_word()), o.pretty_dump);
        else if (o.pretty_dump)
            pretty_dump(o.output_location);
        else
            list_records();
        return;
    }
    if (o.split_output) {
        split_records(o.split_dir);
        return;
    }
    write_image(o.output_binary, o.output_full, o.output_location);
}

// --check changes how -r reads files, so it is known before any option
// acts; a scan that meets an error leaves the error to the option loop.
bool check_among_options(int argc, char **argv)
{
    option_action check = find_long_opt("check")->action;
    option_scanner scanner{argc, argv};
    scanner.quiet = true;
    const char *arg = nullptr;
    bool error = false;
    for (option_action action; (action = scanner.next(&arg, &error));)
        if (action == check)
            return true;
    return false;
}

} // namespace

void drive(int argc, char **argv)
{
    run_options o;
    o.argv0 = argc > 0 ? argv[0] : "imgforge";
    keep_damaged_inputs = check_among_options(argc, argv);
    option_scanner scanner{argc, argv};
    for (;;) {
        const char *arg = nullptr;
        bool error = false;
        option_action action = scanner.next(&arg, &error);
        if (error) {
            usage(stderr, o.argv0);
            die(EXIT_USAGE);
        }
        if (!action)
            break;
        action(o, arg);
    }
    if (scanner.index < argc)
        std::fprintf(stderr, "WARNING: ignoring '%s' and every argument after it\n",
                     excerpt(argv[scanner.index]).c_str());
    final_phase(o);
}

} // namespace imgforge
