// cli.cpp -- qoc's main flow: flags, header emission, import resolution,
// and the pipeline that writes to standard output or to the output file.
//
// With an output file the generator writes into an anonymous temporary
// file, which is then copied: a generator never sees a half-opened output,
// and the output file is only touched once the program is complete.
#include "driver/cli.h"

#include <cstdio>

#include "driver/files.h"
#include "driver/header.h"
#include "driver/imports.h"
#include "driver/pipeline.h"
#include "qo_runtime.h"

namespace qo {

namespace {

constexpr const char *kWriteFailed = "qo-compiler: failed to write output";

// Checks the memory ceiling first, as every compile step does.
void emit_header_step(const std::string &source) {
    qo_mem_check();
    if (!emit_header(source))
        std::fprintf(stderr, "qo-compiler: warning: could not write header %s\n",
                     header_path_for(source).c_str());
}

int generate(Context &ctx, const CommandLine &cl, const std::string &text, std::FILE *out) {
    const std::string &source = cl.positionals[0];
    if (cl.bundle)
        return compile_dispatch_bundle(ctx, cl.target, text, resolve_runtime_path(source), out);
    return compile_dispatch(ctx, cl.target, text, out);
}

int generate_to_stdout(Context &ctx, const CommandLine &cl, const std::string &text) {
    int status = generate(ctx, cl, text, stdout);
    if (std::fflush(stdout) != 0 && status == 0) {
        std::fprintf(stderr, "%s\n", kWriteFailed);
        return 1;
    }
    return status;
}

int generate_to_file(Context &ctx, const CommandLine &cl, const std::string &text) {
    std::FILE *tmp = std::tmpfile();
    if (!tmp) {
        std::puts(kWriteFailed);
        return 1;
    }
    int status = generate(ctx, cl, text, tmp);
    if (status == 0 && !copy_stream_to_file(tmp, cl.positionals[1])) {
        std::puts(kWriteFailed);
        status = 1;
    }
    std::fclose(tmp);
    return status;
}

int run_packaging(const CommandLine &cl) {
    if (cl.target != "js") {
        std::puts("qo-compiler: error: --minify and --obfuscate require --target=js");
        return 1;
    }
    const std::string &source = cl.positionals[0];
    if (cl.emit_header) emit_header_step(source);
    Context ctx;
    std::string text = resolve_imports(ctx, source);
    return run_with_postprocess(ctx, cl, text);
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string> &args) {
    CommandLine cl;
    bool target_seen = false;
    for (const std::string &arg : args) {
        if (!arg.starts_with("--")) {
            cl.positionals.push_back(arg);
        } else if (arg.starts_with("--target=")) {
            if (!target_seen) cl.target = arg.substr(9);
            target_seen = true;
        } else {
            cl.bundle |= arg == "--bundle";
            cl.minify |= arg == "--minify";
            cl.obfuscate |= arg == "--obfuscate";
            cl.emit_header |= arg == "--emit-header";
            cl.test |= arg == "--test";
        }
    }
    return cl;
}

int run_qoc(const std::vector<std::string> &args) {
    CommandLine cl = parse_command_line(args);
    if (cl.positionals.empty()) {
        std::puts(kUsage);
        return 1;
    }
    if (cl.minify || cl.obfuscate) return run_packaging(cl);
    const std::string &source = cl.positionals[0];
    if (cl.emit_header) emit_header_step(source);
    Context ctx;
    std::string text = resolve_imports(ctx, source);
    if (cl.test) {
        int status = compile_test(ctx, text, stdout);
        std::fflush(stdout);
        return status;
    }
    if (cl.positionals.size() >= 2) return generate_to_file(ctx, cl, text);
    return generate_to_stdout(ctx, cl, text);
}

}  // namespace qo
