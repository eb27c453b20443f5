#!/usr/bin/env bash
# Regenerates the GL loader in this folder with Debian's python3-glad (2.0.2): desktop OpenGL
# (the compatibility profile, for the GL 1.1 reference passes) and OpenGL ES 2.0 merged into one
# header, so one set of function pointers serves both contexts. The build does not run this; the
# generated files are committed as they come out.
set -euo pipefail
DIR=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$DIR/../.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
install_packages "${LOCKSTEP_LOADER_PACKAGES[@]}"
rm -rf "$DIR/include" "$DIR/src"
glad --quiet --reproducible --merge \
  --api "gl:compatibility=3.0,gles2=2.0" \
  --extensions "GL_ARB_framebuffer_object,GL_OES_depth24,GL_OES_rgb8_rgba8" \
  --out-path "$DIR" c
# The banner's line after the generator's, naming the registry that glad read, says nothing the
# APIs list below it does not.
sed -i '/^ \* Generator: /{n;d}' "$DIR/include/glad/gl.h"
