# Facts about the machine the scripts run on; sourced by the other scripts.

# Whether this machine executes 32-bit x86 programs. Some kernels are built
# without 32-bit support, and there 32-bit Wine cannot start. The check runs
# a minimal static i386 program (ELF header, one loadable segment and
# "exit(0)" through int 0x80), so it needs no 32-bit libraries installed.
runs_32bit() {
  local dir status
  dir=$(mktemp -d)
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$dir/exit0"
  chmod +x "$dir/exit0"
  "$dir/exit0" 2>/dev/null
  status=$?
  rm -rf "$dir"
  return $status
}
