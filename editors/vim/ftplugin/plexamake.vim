" Plexa makefiles: one step-file name a line; ":make" builds the program.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

compiler pxc

let b:undo_ftplugin = 'setlocal errorformat< makeprg<'
