Prog.Vep
