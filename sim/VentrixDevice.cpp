namespace ventrix_sim_placeholder {}
