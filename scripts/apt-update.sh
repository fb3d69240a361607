# Sourced by the bootstrap scripts: apt_update reads the package lists,
# tried again a few times, since a mirror in the middle of a sync serves
# lists that do not match their index for a minute or two.
apt_update() {
  local attempt
  for attempt in 1 2 3 4 5; do
    apt-get update -qq && return 0
    echo "bootstrap: the package lists could not be read (attempt $attempt), trying again" >&2
    sleep 30
  done
  return 1
}
