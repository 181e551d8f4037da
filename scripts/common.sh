# Shared by the scripts: the repository root, and which Windows build Wine can run here.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The shipped build is 32-bit. A kernel without 32-bit support (ia32 emulation off) runs no
# 32-bit Wine; the 64-bit build of the same sources is then what runs under Wine.
can_run_win32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
