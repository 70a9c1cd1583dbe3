# The names of the release's files, sourced by make dist and the tests of
# what it makes: VERSION and ARCH (x64 or x86) in, a file name out; the
# Debian package holds both architectures.
release_zip() { if [[ $2 == x64 ]]; then echo "Mirvel-$1-win64.zip"; else echo "Mirvel-$1-win32.zip"; fi; }
release_msi() { echo "Mirvel-$1-$2.msi"; }
release_deb() { echo "mirvel_$1_all.deb"; }
