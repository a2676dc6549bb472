@echo off
rem Finds a verified original of each bad stock file, and changes nothing:
rem in the folder or drive dropped on this file, or else on the CD and DVD drives.
"%~dp0trawlex.exe" --originals %*
