// Read by the undefined behaviour sanitizer at start-up, so the targets behave the
// same whether scripts/fuzz.sh runs them or someone minimizing an input does.
extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1:suppressions=" ORVALIS_SOURCE_DIR "/fuzz/ubsan.supp";
}
