# Stereo conversion routines.
