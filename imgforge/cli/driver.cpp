#include "cli/driver.h"

#include "cli/options.h"
#include "cli/scanner.h"
#include "common/format.h"
#include "compose/batch.h"
#include "dump/dispatch.h"
#include "dump/raw.h"
#include "dump/tags.h"
#include "error.h"
#include "image/output.h"
#include "image/split.h"
#include "otp/hw_cfg.h"
#include "report/check.h"
#include "report/diff.h"
#include "report/json.h"

#include <cstdio>

namespace imgforge {

namespace {

// -X only makes sense with -N or the help of -w.
void check_hide_rule(const run_options &o)
{
    if (!o.show_internal && !o.show_hw_cfg && !o.json && !(o.help_opt && o.help_opt[0] == 'w'))
        fail(EXIT_USAGE, "ERROR: -X specified without -N or -Hw\n");
}

void dump(run_options &o)
{
    if (o.show_hw_cfg)
        print_hw_cfg(get_hw_cfg(hw_word(o.img)), o.pretty_dump, o.show_internal, o.out);
    else if (o.pretty_dump)
        pretty_dump(o.img.region, o.output_location, o.out, o.img.env);
    else
        list_records(o.img.region, o.out);
}

void final_phase(run_options &o)
{
    check_hide_rule(o);
    if (o.help_opt) {
        show_option_help(o.help_opt, o.show_internal);
        return;
    }
    if (o.list_tags) {
        list_tags(o.out);
        return;
    }
    if (o.json && o.diff) {
        diff_images(o.img, o.diff, true, o.output_location, o.out);
        return;
    }
    if (o.json) {
        write_json(o.img, {o.check, o.show_internal}, o.output_location, o.out);
        return;
    }
    if (o.check) {
        check_report report = check_image(o.img);
        print_check_report(report, o.out);
        if (!report.problems.empty())
            fail(EXIT_PROBLEMS, "");
        return;
    }
    if (o.diff) {
        diff_images(o.img, o.diff, false, nullptr, o.out);
        return;
    }
    if (o.batch) {
        write_batch(o.img, o.batch, o.split_dir, o.output_full);
        return;
    }
    if (o.output_location && !o.pretty_dump && !o.output_binary && o.records < 0)
        o.err.printf("WARNING: -o specified without -p or -b\n");
    if (o.dump)
        dump(o);
    else if (o.split_output)
        split_records(o.img, o.split_dir, o.out);
    else if (o.records >= 0)
        write_image_records(o.img, record_format(o.records), o.output_full, o.output_location,
                            o.out);
    else
        write_image(o.img, o.output_binary, o.output_full, o.output_location);
}

} // namespace

void drive(int argc, char **argv, run_options &o)
{
    o.argv0 = argc > 0 ? argv[0] : "imgforge";
    take_settings(argc, argv, o.img);
    option_scanner scanner{argc, argv};
    for (;;) {
        const char *arg = nullptr;
        bool error = false;
        option_action action = scanner.next(&arg, &error);
        if (error) {
            if (scanner.with_usage)
                usage(stderr, o.argv0);
            fail(EXIT_USAGE, "");
        }
        if (!action)
            break;
        action(o, arg);
    }
    if (scanner.index < argc)
        o.err.printf("WARNING: ignoring '%s' and every argument after it\n",
                     excerpt(argv[scanner.index]).c_str());
    final_phase(o);
}

} // namespace imgforge
