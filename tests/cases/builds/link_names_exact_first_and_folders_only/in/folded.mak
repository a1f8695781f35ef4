prog.VEP
