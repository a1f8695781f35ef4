prog.vep
café.pre
