prog.vep
loop.mak
loop.mak
