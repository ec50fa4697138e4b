# Sourced by the scripts that run the fuzzers. fuzz_options NAME ROOT prints the libFuzzer options
# of the fuzzer NAME (its program name, "fuzz_session"): the dictionary beside it, fuzz/NAME.dict,
# when there is one, and for the fuzzers that read a protocol stream an input length that holds
# several frames (libFuzzer would otherwise keep the inputs to a few dozen bytes in a short run).
fuzz_options() {
  local name=$1 root=$2
  [ -f "$root/fuzz/$name.dict" ] && echo "-dict=$root/fuzz/$name.dict"
  case "$name" in
    fuzz_session|fuzz_chat|fuzz_memo|fuzz_lsta) echo "-max_len=4096" ;;
    # Long enough for a line past the transcript's cut.
    fuzz_app) echo "-max_len=16384" ;;
  esac
}
